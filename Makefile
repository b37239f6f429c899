# Quorin: every set-up step behind one command each (see README.md).
SHELL := /bin/bash
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
JOBS ?= $(shell nproc)
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: deps configure build test run bench asan tsan fuzz fuzz-smoke clean

deps:
	./tools/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	./tools/run-tests.sh $(BUILD)
	./tools/fuzz.sh smoke

run: build
	./$(BUILD)/src/app/quorin

bench: build
	./tools/run-benchmarks.sh $(BUILD)

asan: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORIN_SANITIZE=ON -DQUORIN_BENCH=OFF
	cmake --build build-asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp UBSAN_OPTIONS=print_stacktrace=1 ./tools/run-tests.sh build-asan

# The cross-thread tests (label tsan) under ThreadSanitizer. Qt itself is not
# instrumented: what it does behind our back is suppressed in tools/tsan.supp.
tsan: deps
	cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORIN_TSAN=ON -DQUORIN_BENCH=OFF
	cmake --build build-tsan -j $(JOBS) --target quorin_tsan_tests
	QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=1 exitcode=66 suppressions=$(CURDIR)/tools/tsan.supp" \
		ctest --test-dir build-tsan -L tsan --output-on-failure -j $(JOBS)

fuzz: deps
	./tools/fuzz.sh long

fuzz-smoke: deps
	./tools/fuzz.sh smoke

clean:
	rm -rf build build-asan build-tsan build-fuzz
