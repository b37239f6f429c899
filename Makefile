# Quorin: every set-up step behind one command each (see README.md).
SHELL := /bin/bash
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
JOBS ?= $(shell nproc)
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: deps configure build test run bench asan fuzz fuzz-smoke clean

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
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ./tools/run-tests.sh build-asan

fuzz: deps
	./tools/fuzz.sh long

fuzz-smoke: deps
	./tools/fuzz.sh smoke

clean:
	rm -rf build build-asan build-fuzz
