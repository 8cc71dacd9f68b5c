# The two commands a newcomer needs: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
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

.PHONY: all bootstrap build run demo test crashtest format bench test-asan package package-check clean

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

test-asan: bootstrap
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARIN_SANITIZE=ON
	cmake --build $(ASAN_BUILD)
	@tmp=$$(mktemp -d); mkdir -p $$tmp/config $$tmp/runtime $$tmp/home; chmod 700 $$tmp/runtime; \
	$(TEST_ENV) ctest --test-dir $(ASAN_BUILD) --output-on-failure -j2 -L 'engine|model'; rc=$$?; rm -rf $$tmp; exit $$rc

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
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD)
