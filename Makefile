# Quick start: `make run` opens the viewer on the bundled sample; `make test` runs the whole suite.
# Both install what is missing from Debian's packages first (as root, with apt-get).
# `make test-sanitize` runs the suite built with AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer; `make fuzz` runs every reader's fuzz target for FUZZ_SECONDS each.

BUILD ?= build
JOBS ?= $(shell nproc)
# Where `make install` puts things; DESTDIR, when given, is put in front of it.
PREFIX ?= /usr/local

# What building and testing need; `make run` also wants a desktop file dialog.
DEPS := cmake make g++ pkg-config libgtest-dev libbenchmark-dev \
        libgl1-mesa-dev libglu1-mesa-dev freeglut3-dev libgl1-mesa-dri \
        xvfb xauth xdotool imagemagick libassimp-dev libpng-dev libjpeg62-turbo-dev libosmesa6-dev python3 \
        help2man desktop-file-utils shared-mime-info man-db
RUN_DEPS := zenity
# node and npm run the tests' MikkTSpace peer, an npm package the build installs into its own
# tree; Debian's are installed only where the commands are missing, since another node
# distribution may bring npm itself and conflict with Debian's npm package.
NODE_DEPS := nodejs npm
# libFuzzer and the sanitizer runtimes come with clang.
FUZZ_DEPS := clang libclang-rt-14-dev

SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

# Any sanitizer report fails the test that met it. Leaks inside the system's GL libraries are
# suppressed by library name (never ours) in tests/lsan.supp; pointers are looked for at every
# byte, since KivBitmap holds its texel pointer unaligned. Some viewer tests preload a GL shim in
# front of the sanitizer runtime.
SANITIZE_ENV := ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1:verify_asan_link_order=0 \
                LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0:use_unaligned=1 \
                UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Runs the suite of build directory $(1); without a display, inside a virtual X server (Mesa's
# software renderer draws). The server must not reset when its last client leaves, as it does
# between two tests' windows: a program that connects during the reset finds no display.
XVFB := xvfb-run -a -s "-screen 0 1280x1024x24 -noreset"
run_suite = if [ -n "$$DISPLAY" ]; then \
              ctest --test-dir $(1) --output-on-failure -j $(JOBS); \
            else \
              $(XVFB) ctest --test-dir $(1) --output-on-failure -j $(JOBS); \
            fi

.PHONY: all deps run-deps configure build test install uninstall test-sanitize test-big-endian fuzz-build fuzz \
        fuzz-corpus bench run pictures clean

all: build

deps:
	@./.ci/install-deps $(DEPS)
	@command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1 || ./.ci/install-deps $(NODE_DEPS)

run-deps:
	@./.ci/install-deps $(DEPS) $(RUN_DEPS)

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@$(call run_suite,$(BUILD))

# The programs, the library with its headers, CMake package and pkg-config file, the manual pages,
# the desktop entry, the MIME type of RVF files and the sample, under $(DESTDIR)$(PREFIX).
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# Removes what `make install` put under $(DESTDIR)$(PREFIX), and the directories it created.
uninstall:
	@DESTDIR="$(DESTDIR)" cmake -D RECORDS=$(BUILD)/installed -D PREFIX="$(PREFIX)" -P cmake/Uninstall.cmake

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRVF_SANITIZE=ON >/dev/null
	@$(SANITIZE_ENV) cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@export $(SANITIZE_ENV); $(call run_suite,$(SANITIZE_BUILD))

fuzz-build:
	@./.ci/install-deps $(DEPS) $(FUZZ_DEPS)
	@cmake -S fuzz -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)

# One target after another on one core; fails when any of them reports a finding.
fuzz: fuzz-build
	@./fuzz/run $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Rewrites the committed seed corpus with our own writers.
fuzz-corpus: fuzz-build
	@$(FUZZ_BUILD)/MakeCorpus fuzz/corpus

# The library and its tests cross-built for s390x (big-endian) and run under qemu-user, and the
# files written there compared with the files written here.
BIGENDIAN_BUILD ?= build-s390x

test-big-endian: configure
	@./.ci/test-big-endian $(BUILD) $(BIGENDIAN_BUILD)

# Benchmarks in a build of their own, optimised as `make build` is, each program ending with its
# table of seconds per operation; the viewer's draw in a window, inside a virtual X server when
# there is no display.
BENCH_BUILD ?= build-bench
bench: deps
	@cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
	@cmake --build $(BENCH_BUILD) -j $(JOBS) --target rvf_bench rvfview_bench
	@$(BENCH_BUILD)/bench/rvf_bench
	@if [ -n "$$DISPLAY" ]; then \
	  $(BENCH_BUILD)/bench/rvfview_bench; \
	else \
	  $(XVFB) $(BENCH_BUILD)/bench/rvfview_bench; \
	fi

# Opens the viewer on the bundled sample.
run: run-deps build
	@$(BUILD)/viewer/RVFView samples/torus.rvf samples/torus_normals.tga

# Draws the README's pictures (docs/images/) with rvfrender; no display needed.
pictures: build
	@tools/rvfrender/pictures.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD) $(BIGENDIAN_BUILD) $(BENCH_BUILD)
