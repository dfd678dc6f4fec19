# Thin wrapper around CMake: `make demo` and `make test` are the two commands
# the README gives. Each first installs the Debian packages it needs when they
# are missing (as root), or names them and stops.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

# The Debian packages the program needs to build, and those the tests need
# on top of them.
PROGRAM_PACKAGES := g++ cmake make nlohmann-json3-dev libboost-math-dev
TEST_PACKAGES := $(PROGRAM_PACKAGES) libgtest-dev

# $(call need_packages,LIST): installs the missing packages of LIST with
# apt-get when run as root; otherwise prints one line naming them and fails.
# Systems without dpkg are taken to have what they need.
define need_packages
@missing=""; \
if command -v dpkg-query >/dev/null 2>&1; then \
  for p in $(1); do \
    dpkg-query -W -f='$${Status}' "$$p" 2>/dev/null | grep -q "install ok installed" \
      || missing="$$missing $$p"; \
  done; \
fi; \
if [ -n "$$missing" ]; then \
  if [ "$$(id -u)" = 0 ]; then \
    echo "Installing the missing Debian packages:$$missing"; \
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing \
      || exit 1; \
  else \
    echo "rivan6 needs these Debian packages; as root run: apt-get install$$missing"; \
    exit 1; \
  fi; \
fi
endef

.PHONY: all build program test demo install sanitize bench format clean fuzz \
	packages-program packages-test golden

all: build

packages-program:
	$(call need_packages,$(PROGRAM_PACKAGES))

packages-test:
	$(call need_packages,$(TEST_PACKAGES))

# The program alone: no GoogleTest needed, no test built.
program: packages-program
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DRIVAN6_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS) --target rivan6

# Everything, tests included.
build: packages-test
	cmake -S . -B $(BUILD) -DRIVAN6_TESTS=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Runs the program on the bundled example (the Nile at Aswan), without
# prompts, and leaves the report in demo/.
demo: program
	./$(BUILD)/rivan6 -d examples -o demo NILE
	@echo
	@echo "The report is demo/NILE.ANS; the side files are demo/NILE.COR and demo/NILE.YER;"
	@echo "the plots and the rest of what the dialogue shows on the screen, and the findings"
	@echo "(return-period flows, trend and change, droughts, warnings) are in demo/NILE.LOG;"
	@echo "every result as data is in demo/NILE.json."
	@echo "docs/guide.md reads the report section by section."

# The program, its manual page and the user's guide under PREFIX.
install: program
	cmake --install $(BUILD) --prefix $(PREFIX)

# Rewrites the golden files of the whole-program test (tests/golden/) and
# the kept figures of the Nile (tests/report/golden/) from the program as
# built. Run it only when an output is meant to change, and
# say in the commit why it changed.
golden: build
	./$(BUILD)/rivan6 -q -j 1 --html -d examples -o tests/golden NILE
	./$(BUILD)/rivan6 -q -j 1 --html -d tests/golden -o tests/golden ZEROS SHORT
	rm -f tests/golden/index.html
	# The figures and the page of the Nile, kept for the report tests.
	RIVAN6_WRITE_GOLDEN=1 ./$(BUILD)/report_tests --gtest_filter='Nile/*' > /dev/null

sanitize:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DRIVAN6_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug"

# The benchmarks, on one core: the Nile's per-gauge time and the network of
# ../shared/data (when present) stage by stage, then whole runs of the
# program on the network and on a 1000-year record, beside R when Rscript is
# installed (bench/network.sh).
bench:
	$(call need_packages,$(PROGRAM_PACKAGES) libbenchmark-dev)
	cmake -S . -B build-bench -DRIVAN6_BENCH=ON -DRIVAN6_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-bench -j $(JOBS) --target rivan6_bench rivan6
	taskset -c $$(($$(nproc) - 1)) ./build-bench/rivan6_bench 2>/dev/null || ./build-bench/rivan6_bench
	sh bench/network.sh ./build-bench/rivan6

format:
	clang-format -i $$(git ls-files '*.cpp' '*.hpp')

clean:
	rm -rf $(BUILD) build-asan build-bench demo

# Coverage-guided fuzzing of the reader and the whole analysis (clang and
# libFuzzer). FUZZ_SECONDS sets how long it runs; crashes land in fuzz/crashes/.
FUZZ_SECONDS ?= 60
fuzz:
	cmake -S . -B build-fuzz -DRIVAN6_FUZZ=ON -DRIVAN6_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++
	cmake --build build-fuzz -j $(JOBS) --target rivan6_fuzz
	mkdir -p build-fuzz/corpus fuzz/crashes
	cp -n fuzz/seeds/* build-fuzz/corpus/ 2>/dev/null || true
	./build-fuzz/rivan6_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=8192 \
	  -artifact_prefix=fuzz/crashes/ build-fuzz/corpus
