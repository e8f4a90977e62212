# SPDX-License-Identifier: GPL-3.0-or-later
# Two entry points for a fresh Debian 12 machine: `make run` and `make test`.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: all deps configure build test test-sanitize fuzz bench run clean

all: build

deps:
	@sh scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 900

# The whole suite once more with AddressSanitizer and UBSan in a build of its
# own (-O1 and line tables only: some 40 % less CPU time than -O2 -g); leaks are
# looked for everywhere but in the GUI tests, where GTK's one-time
# allocations would drown them. The package test checks an installation, not
# memory, and is left out.
SANITIZE_BUILD ?= build-sanitize
SANITIZE_FLAGS = -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
SANITIZE_ENV = UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Sanitize -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
		-DCMAKE_CXX_FLAGS_SANITIZE="-O1 -g1 $(SANITIZE_FLAGS)" \
		-DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && $(SANITIZE_ENV) ASAN_OPTIONS=detect_leaks=1 \
		ctest --output-on-failure -j $(JOBS) --timeout 900 -E '^(gui|package)[.]'
	cd $(SANITIZE_BUILD) && $(SANITIZE_ENV) ASAN_OPTIONS=detect_leaks=0 \
		ctest --output-on-failure -j $(JOBS) --timeout 900 -R '^gui[.]'

# libFuzzer targets (clang), each run FUZZ_SECONDS on its seed corpus.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = filectx params datetime scanimage cmdline

fuzz: deps
	@CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLORA_FUZZ=ON \
		-DBUILD_TESTING=OFF -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS:%=%_fuzz)
	@sh fuzz/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The field view benchmark draws through X: without a display it runs under Xvfb.
BENCH_RUN ?= $(if $(DISPLAY),,xvfb-run -a)

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $(BENCH_RUN) $$b || exit 1; done

# The demo chart, preselected; its folder lives in the build tree, so that
# nothing of run/ or of the user's is read or written.
run: build
	cd $(BUILD)/demo/run && $(abspath $(BUILD))/vellora

clean:
	rm -rf $(BUILD)

# ---- Installation and package ---------------------------------------------
PREFIX ?= /usr/local

.PHONY: start install package

# The program in run/, for your own scans, as a source run.
start: build
	cd run && ../$(BUILD)/vellora

# `make install PREFIX=/opt/vellora`; DESTDIR is honoured for staging.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX) --strip

package: build
	cd $(BUILD) && cpack -G DEB
