# The two commands: `make run` runs the program, `make test` runs every test.
# Both install what they need first (scripts/bootstrap.sh, idempotent).
SHELL := /bin/bash
JOBS ?= 2
export JOBS
# The job count of builds that scripts start without one (the presets set none).
export CMAKE_BUILD_PARALLEL_LEVEL ?= $(JOBS)

.PHONY: all run test release bench fuzz bootstrap deps native native-release win32 win64 samples clean help

all: native win32

run: bootstrap
	scripts/run.sh

test: bootstrap
	scripts/test.sh

# build/release/: the zip and the installer of the 32-bit and of the 64-bit program.
release: bootstrap
	scripts/release.sh

bench: bootstrap
	bench/run.sh

fuzz: bootstrap
	fuzz/run.sh

bootstrap:
	scripts/bootstrap.sh

deps: bootstrap
	scripts/build-deps.sh

native native-release: bootstrap
	cmake --preset $@ --log-level=WARNING
	cmake --build --preset $@ -j $(JOBS)

# Each Windows build needs only the MinGW libraries of its own architecture.
win32: DEPS_ARCH = i686
win64: DEPS_ARCH = x86_64
win32 win64: bootstrap
	scripts/build-deps.sh $(DEPS_ARCH)
	cmake --preset $@ --log-level=WARNING
	cmake --build --preset $@ -j $(JOBS)

# Converts samples/ with the native converter, whether or not the program exists.
samples: bootstrap
	scripts/run.sh --convert

# Keeps the downloaded sources, the MinGW libraries and the Wine prefix.
clean:
	rm -rf build/native build/native-release build/win32 build/win64 build/fuzz build/samples-out build/release

help:
	@echo "make run    build, then run the program (Vellumere.exe under Wine)"
	@echo "make test   build natively and for Windows, run every test"
	@echo "make release  the zip archives and installers (32- and 64-bit), in build/release"
	@echo "make bench  benchmark vellumere-convert against other decoders"
	@echo "make fuzz   long fuzzing runs"
	@echo "other: bootstrap deps native native-release win32 win64 samples clean"
