// Nothing: a placeholder for a subsystem without sources yet.
