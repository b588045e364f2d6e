# Two commands for a fresh Debian machine: `make run` and `make test`.
# Both set up what is missing first (scripts/setup), then build.
SHELL := /bin/bash
ROOT := $(CURDIR)
JOBS ?= $(shell nproc)
WIN := build/win64
NATIVE := build/native

.PHONY: help run test setup build build-win build-native test-win test-native installer bench fuzz clean

# `make` alone only explains; it never installs or builds anything.
help:
	@echo "Tidewhisk: make TARGET"
	@echo "  run         set up what is missing, build the Windows tree and start the program"
	@echo "  test        set up, build both trees and run every test (what CI runs)"
	@echo "  build       build both trees (build-win, build-native)"
	@echo "  test-win    build and run the Windows tree's tests under Wine"
	@echo "  test-native build and run the native tree's tests with sanitizers"
	@echo "  installer   build the Windows installer"
	@echo "  bench       run the benchmarks (never part of test)"
	@echo "  fuzz        fuzz the parsers (FUZZ_SECONDS=60)"
	@echo "  setup       install missing packages, fetch SQLite, make the Wine prefix"
	@echo "  clean       remove both build trees"

setup:
	@scripts/setup

$(WIN)/Makefile:
	@cmake -S . -B $(WIN) -DCMAKE_TOOLCHAIN_FILE=$(ROOT)/cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

$(NATIVE)/Makefile:
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Debug >/dev/null

build-win: setup $(WIN)/Makefile
	@cmake --build $(WIN) -j $(JOBS)

build-native: setup $(NATIVE)/Makefile
	@cmake --build $(NATIVE) -j $(JOBS)

build: build-win build-native

# The Windows installer, build/win64/Tidewhisk-VERSION-setup.exe (also part of build-win).
installer: setup $(WIN)/Makefile
	@cmake --build $(WIN) --target installer -j $(JOBS)

test-native: build-native
	@cd $(NATIVE) && ctest --output-on-failure -j $(JOBS)

# The Wine tests share one wineserver per prefix, and its desktop takes the display of the first
# process that needs one: every test of the tree runs on one X display (Xvfb when none is set).
XDISPLAY := $(if $(DISPLAY),,xvfb-run -a -s "-screen 0 1280x900x24")

test-win: build-win
	@cd $(WIN) && $(XDISPLAY) ctest --output-on-failure -j $(JOBS)

# Runs every test of both trees; fails when either tree fails.
test: build
	@rc=0; \
	echo "== native tree (sanitizers) =="; (cd $(NATIVE) && ctest --output-on-failure -j $(JOBS)) || rc=1; \
	echo "== win64 tree (under Wine) =="; (cd $(WIN) && $(XDISPLAY) ctest --output-on-failure -j $(JOBS)) || rc=1; \
	exit $$rc

run: build-win
	@scripts/run

# Benchmarks and fuzzing: never part of `make test`.
bench: build-win
	@scripts/bench

fuzz:
	@scripts/fuzz $(or $(FUZZ_SECONDS),60)

clean:
	rm -rf $(WIN) $(NATIVE)
