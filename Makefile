# The two commands a newcomer needs: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# 1: `make test` also fails on sources that differ from .clang-format.
FORMAT_CHECK ?= 1
ifdef CI
# CI also compiles the benchmarks, so that a change to a window they drive cannot break
# `make bench` unnoticed.
CMAKE_FLAGS += -DTESSARIN_WERROR=ON -DTESSARIN_BENCH=ON
endif

TEST_ENV = QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 LC_ALL=C.UTF-8 \
	XDG_CONFIG_HOME=$$tmp/config XDG_RUNTIME_DIR=$$tmp/runtime TESSARIN_HOME=$$tmp/home

.PHONY: all bootstrap build run demo test crashtest format bench test-asan fuzz package package-check clean

all: build

bootstrap:
	@scripts/bootstrap

build: bootstrap
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)
	cmake --build $(BUILD)

run: build
	$(BUILD)/app/tessarin

# The program on a generated archive of its own in $(BUILD)/demo, with settings of its own.
demo: build
	scripts/demo $(BUILD)

test: build
ifeq ($(FORMAT_CHECK),1)
	scripts/check-format
endif
	@tmp=$$(mktemp -d); mkdir -p $$tmp/config $$tmp/runtime $$tmp/home; chmod 700 $$tmp/runtime; \
	$(TEST_ENV) ctest --test-dir $(BUILD) --output-on-failure -j2; rc=$$?; rm -rf $$tmp; exit $$rc

# Every suite under AddressSanitizer, LeakSanitizer and UBSan. The options are exported to the
# build too, because test discovery runs the test programs. Leaks from libraries built without
# the sanitizer are listed in tests/sanitizers/lsan.supp.
SAN_ENV = ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test-asan: bootstrap
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARIN_SANITIZE=ON
	$(SAN_ENV) cmake --build $(ASAN_BUILD)
	@tmp=$$(mktemp -d); mkdir -p $$tmp/config $$tmp/runtime $$tmp/home; chmod 700 $$tmp/runtime; \
	$(TEST_ENV) $(SAN_ENV) ctest --test-dir $(ASAN_BUILD) --output-on-failure -j2; rc=$$?; rm -rf $$tmp; exit $$rc

# The libFuzzer targets of tests/fuzz, built with clang in $(FUZZ_BUILD), each run from its
# seeds in tests/fuzz/corpus/<target> for FUZZ_RUNS inputs or FUZZ_SECONDS, whichever comes
# first. What they add to the seeds stays in $(FUZZ_BUILD)/corpus; a crash is written to
# $(FUZZ_BUILD)/crashes and stops the run.
FUZZ_TARGETS ?= fuzz_filter fuzz_barcode fuzz_settings fuzz_password fuzz_archive
FUZZ_RUNS ?= 1000000
FUZZ_SECONDS ?= 300
MODEL_SEEDS ?= 200

fuzz: build
	@scripts/bootstrap --fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DTESSARIN_FUZZ=ON
	cmake --build $(FUZZ_BUILD) --target $(FUZZ_TARGETS)
	@mkdir -p $(FUZZ_BUILD)/crashes; tmp=$$(mktemp -d); mkdir -p $$tmp/config $$tmp/runtime $$tmp/home; \
	chmod 700 $$tmp/runtime; rc=0; \
	for t in $(FUZZ_TARGETS); do \
		mkdir -p $(FUZZ_BUILD)/corpus/$$t; echo "== $$t"; \
		$(TEST_ENV) $(FUZZ_BUILD)/tests/fuzz/$$t -runs=$(FUZZ_RUNS) -max_total_time=$(FUZZ_SECONDS) \
			-timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
			-artifact_prefix=$(FUZZ_BUILD)/crashes/$$t- \
			$(FUZZ_BUILD)/corpus/$$t tests/fuzz/corpus/$$t || rc=1; \
	done; \
	echo "== the sale window against its reference, $(MODEL_SEEDS) random seeds"; \
	$(TEST_ENV) TESSARIN_MODEL_SEEDS=$(MODEL_SEEDS) $(BUILD)/tests/sales/sales_model_test \
		--gtest_brief=1 || rc=1; \
	rm -rf $$tmp; exit $$rc

# Kills every operation that writes an archive 100 times at random moments and checks the
# archives after each kill; prints operation, kills, survivors. CRASH_SEED=n repeats a run.
# Then every disk fault, each at every N, the ones ctest leaves out included.
crashtest: build
	@tmp=$$(mktemp -d); mkdir -p $$tmp/config $$tmp/runtime $$tmp/home; chmod 700 $$tmp/runtime; \
	$(TEST_ENV) $(BUILD)/tests/crash/crash_driver --kills 100 $(if $(CRASH_SEED),--seed $(CRASH_SEED)) && \
	$(TEST_ENV) CRASH_FAULTS_ALL=1 $(BUILD)/tests/crash/crash_fault_test --gtest_brief=1; \
	rc=$$?; rm -rf $$tmp; exit $$rc

# A Debian package of the normal build, in $(BUILD)/; its dependencies are read from the binaries.
package: build
	cmake --build $(BUILD) --target package

# Lists the package and, as root, installs it, runs it and removes it again. Kept out of
# `make test` because it changes the system's packages: run it as root where that is fine.
package-check: package
	BUILD=$(BUILD) scripts/package-check

# Rewrites every tracked C++ source and header to .clang-format.
format: bootstrap
	git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --style=file -i

bench: bootstrap
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARIN_BENCH=ON
	cmake --build $(BENCH_BUILD) --target engine_bench grid_bench views_bench sales_bench reports_bench
	@tmp=$$(mktemp -d); $(TEST_ENV) $(BENCH_BUILD)/bench/engine_bench --benchmark_counters_tabular=true && \
	$(TEST_ENV) $(BENCH_BUILD)/bench/grid_bench --benchmark_counters_tabular=true && \
	$(TEST_ENV) $(BENCH_BUILD)/bench/views_bench --benchmark_counters_tabular=true && \
	$(TEST_ENV) $(BENCH_BUILD)/bench/sales_bench --benchmark_counters_tabular=true && \
	$(TEST_ENV) $(BENCH_BUILD)/bench/reports_bench --benchmark_counters_tabular=true; rc=$$?; rm -rf $$tmp; exit $$rc

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
