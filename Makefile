# Set-up and checks. `make demo` and `make test` each install what they need first.
JOBS ?= 2
CMAKE ?= cmake

.PHONY: all deps test tsan demo bench fuzz format clean

all: demo

deps:
	bash scripts/install-deps.sh

# Debug build with AddressSanitizer and UndefinedBehaviorSanitizer; warnings are errors.
test: deps
	$(CMAKE) -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DTABULON_SANITIZE=ON -DTABULON_WERROR=ON
	$(CMAKE) --build build/test -j$(JOBS)
	cd build/test && ctest --output-on-failure -j$(JOBS)

# ThreadSanitizer build of the tests that start threads: the task runner, the read-ahead, the
# zip writer, posted messages, Ctrl-C on the command line, a mixed .xls/.xlsx folder. Kept out
# of `make test`: it is a second full build of the core (see README for what it costs).
tsan: deps
	$(CMAKE) -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTABULON_TSAN=ON -DTABULON_WERROR=ON
	$(CMAKE) --build build/tsan -j$(JOBS) --target test_platform test_engine test_spreadsheet test_cli
	bash scripts/run-tsan.sh build/tsan

# Release build into build/ (the command-line tool, and the GUI module and its host:
# build/release/bin/qxhost starts the GUI), then the command-line tool on the bundled examples.
demo: deps
	$(CMAKE) -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTABULON_BUILD_TESTS=OFF
	$(CMAKE) --build build/release -j$(JOBS)
	bash scripts/demo.sh build/release
	@echo
	@echo 'The GUI: build/release/bin/qxhost'

# Release build into build/bench, the micro-benchmarks, then the suite against openpyxl, pandas
# and the floor, which rewrites bench/RESULTS.md. The suite keeps the whole target under
# 15 minutes from here, so it is told when make started. `make bench BENCH_FULL=1` instead runs
# every peer to its end once, however long that takes (hours on a busy machine).
BENCH_STARTED := $(shell date +%s)
BENCH_FULL ?=
bench: deps
	bash scripts/install-deps.sh python3-openpyxl python3-pandas time
	$(CMAKE) -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DTABULON_BUILD_TESTS=OFF -DTABULON_BUILD_BENCH=ON
	$(CMAKE) --build build/bench -j$(JOBS)
	BENCH_STARTED=$(BENCH_STARTED) BENCH_FULL=$(BENCH_FULL) bash scripts/run-bench.sh build/bench

fuzz: deps
	bash scripts/install-deps.sh clang libclang-rt-14-dev
	CC=clang CXX=clang++ $(CMAKE) -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTABULON_BUILD_TESTS=OFF -DTABULON_BUILD_FUZZ=ON \
	  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" \
	  -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link,address,undefined"
	$(CMAKE) --build build/fuzz -j$(JOBS)
	bash scripts/run-fuzz.sh build/fuzz

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
