// The pieces of a CSV table: lines, cells, dates and numbers.
//
// These are small, strict parsers: a cell is either what its column should
// hold or it is reported, never guessed at.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ingest {

// The delimiter of a table, judged from its first two content lines (the
// second may be empty): tab, ';' or ',', the first of these that occurs
// equally often (and at least once) in both lines; failing that, the first
// that occurs in the first line; ',' when none does.
char detect_delimiter(std::string_view first, std::string_view second);

// Splits a line into cells at the delimiter. A cell in double quotes may
// hold the delimiter, and "" inside it stands for one quote. Blanks around a
// cell are dropped. Writes into cells (reused, so that long tables do not
// allocate a vector per row).
void split_cells(std::string_view line, char delimiter, std::vector<std::string>& cells);

// A calendar date (proleptic Gregorian).
struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
};

// True for the shape YYYY-MM-DD (digits and dashes only); the date may still
// not exist (see valid_date).
bool parse_iso_date(std::string_view s, Date& d);
// True for the shape YYYY-MM (the month may still be out of 1-12).
bool parse_year_month(std::string_view s, int& year, int& month);
// True for 1 to 4 digits: a year of the flow file's four-column field.
bool parse_year(std::string_view s, int& year);
// True for 1 or 2 digits giving 1-12.
bool parse_month(std::string_view s, int& month);

bool is_leap(int year);
int days_in_month(int year, int month);
int days_in_year(int year);
bool valid_date(const Date& d);
// Days since 1970-01-01 (negative before it), and back.
int day_number(const Date& d);
Date date_of(int day_number);

// What a value cell holds.
enum class CellValue {
  Number,   // a finite number, written to value
  Missing,  // empty, NA or NaN (any case)
  Text,     // anything else
};

// Reads a value cell: an optional sign, digits with at most one decimal
// point, an optional exponent. With decimal_comma a single ',' (and no '.')
// stands for the decimal point, as tables delimited by ';' or tab write it.
// A negative zero is read as zero.
CellValue parse_value(std::string_view cell, bool decimal_comma, double& value);

// "YYYY-MM-DD" and "YYYY-MM".
std::string date_text(const Date& d);
std::string month_text(int year, int month);

}  // namespace ingest
