# The two commands of the README: `make run` and `make test`.
.PHONY: run test gui bench fuzz configure build programs package clean

BUILD := build/release

configure:
	scripts/install-deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null

# Everything, tests and benchmarks included.
build: configure
	cmake --build $(BUILD) -j $$(nproc)

# Only the programs and their data files.
programs: configure
	cmake --build $(BUILD) -j $$(nproc) --target programs

run: programs
	scripts/run-demo $(BUILD)

gui: programs
	$(BUILD)/bin/kestrelport-gui

# A Debian package in build/package (dependencies from dpkg-shlibdeps).
package:
	scripts/install-deps
	scripts/build-package

bench: build
	scripts/run-benchmarks $(BUILD)

test:
	scripts/run-tests

# Not part of `make test`: it takes FUZZ_SECONDS (default 60) per target and needs clang.
fuzz:
	scripts/run-fuzzers

clean:
	rm -rf build
