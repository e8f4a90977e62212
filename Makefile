# Two entry points for a fresh Debian 12 machine: `make run` and `make test`.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: all deps configure build test bench run clean

all: build

deps:
	@sh scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 900

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b || exit 1; done

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
