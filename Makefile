# The two commands of the README: `make run` and `make test`.
.PHONY: run test gui bench fuzz build clean

BUILD := build/release

build:
	scripts/install-deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(BUILD) -j $$(nproc)

run: build
	scripts/run-demo $(BUILD)

gui: build
	$(BUILD)/bin/kestrelport-gui

bench: build
	scripts/run-benchmarks $(BUILD)

test:
	scripts/run-tests

# Not part of `make test`: it takes FUZZ_SECONDS (default 60) per target and needs clang.
fuzz:
	scripts/run-fuzzers

clean:
	rm -rf build
