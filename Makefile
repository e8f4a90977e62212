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

# The field view benchmark draws through X: without a display it runs under Xvfb.
BENCH_RUN ?= $(if $(DISPLAY),,xvfb-run -a)

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $(BENCH_RUN) $$b || exit 1; done

run: build
	cd run && ../$(BUILD)/vellora

clean:
	rm -rf $(BUILD)
