# Thin wrapper around CMake: `make demo` and `make test` are the two commands
# the README gives.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all build test demo sanitize bench format clean fuzz golden

all: build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Runs the program on the bundled example (the Nile at Aswan), without
# prompts, and leaves the report in demo/.
demo: build
	mkdir -p demo
	./$(BUILD)/rivan6 -d examples -o demo NILE
	@echo
	@echo "The report is demo/NILE.ANS; the side files are demo/NILE.COR and demo/NILE.YER;"
	@echo "the plots and the rest of what the dialogue shows on the screen are in demo/NILE.LOG."

# Rewrites the golden files of the whole-program test (tests/golden/) and
# the kept figures of the Nile (tests/report/golden/) from the program as
# built. Run it only when an output is meant to change, and
# say in the commit why it changed.
golden: build
	./$(BUILD)/rivan6 -q -j 1 -d examples -o tests/golden NILE
	./$(BUILD)/rivan6 -q -j 1 -d tests/golden -o tests/golden ZEROS SHORT
	# The figures and the page of the Nile, kept for the report tests.
	tmp=$$(mktemp -d) && ./$(BUILD)/report_pages -d examples -o $$tmp --figures NILE && \
	  cp $$tmp/NILE-*.svg $$tmp/NILE.html tests/report/golden/ && rm -rf $$tmp

sanitize:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DRIVAN6_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug"

bench:
	cmake -S . -B build-bench -DRIVAN6_BENCH=ON -DCMAKE_BUILD_TYPE=Release
	cmake --build build-bench -j $(JOBS) --target rivan6_bench
	./build-bench/rivan6_bench

format:
	clang-format -i $$(git ls-files '*.cpp' '*.hpp')

clean:
	rm -rf $(BUILD) build-asan build-bench demo

# Coverage-guided fuzzing of the reader and the whole analysis (clang and
# libFuzzer). FUZZ_SECONDS sets how long it runs; crashes land in fuzz/crashes/.
FUZZ_SECONDS ?= 60
fuzz:
	cmake -S . -B build-fuzz -DRIVAN6_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++
	cmake --build build-fuzz -j $(JOBS) --target rivan6_fuzz
	mkdir -p build-fuzz/corpus fuzz/crashes
	cp -n fuzz/seeds/* build-fuzz/corpus/ 2>/dev/null || true
	./build-fuzz/rivan6_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=8192 \
	  -artifact_prefix=fuzz/crashes/ build-fuzz/corpus
