# Quick start: `make run` opens the viewer on the bundled sample; `make test` runs the whole suite.
# Both install what is missing from Debian's packages first (as root, with apt-get).

BUILD ?= build
JOBS ?= $(shell nproc)

# What building and testing need; `make run` also wants a desktop file dialog.
DEPS := cmake make g++ pkg-config libgtest-dev libbenchmark-dev \
        libgl1-mesa-dev libglu1-mesa-dev freeglut3-dev libgl1-mesa-dri \
        xvfb xauth xdotool imagemagick libassimp-dev libpng-dev libosmesa6-dev python3
RUN_DEPS := zenity

.PHONY: all deps run-deps configure build test test-big-endian bench run pictures clean

all: build

deps:
	@./.ci/install-deps $(DEPS)

run-deps:
	@./.ci/install-deps $(DEPS) $(RUN_DEPS)

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Without a display the suite runs inside a virtual X server (Mesa's software renderer draws).
test: build
	@if [ -n "$$DISPLAY" ]; then \
	  ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS); \
	else \
	  xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS); \
	fi

# The library and its tests cross-built for s390x (big-endian) and run under qemu-user, and the
# files written there compared with the files written here.
BIGENDIAN_BUILD ?= build-s390x

test-big-endian: configure
	@./.ci/test-big-endian $(BUILD) $(BIGENDIAN_BUILD)

# Benchmarks in a Release build of their own, each program ending with its table of seconds per
# operation; the viewer's draw in a window, inside a virtual X server when there is no display.
BENCH_BUILD ?= build-bench
bench: deps
	@cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
	@cmake --build $(BENCH_BUILD) -j $(JOBS) --target rvf_bench rvfview_bench
	@$(BENCH_BUILD)/bench/rvf_bench
	@if [ -n "$$DISPLAY" ]; then \
	  $(BENCH_BUILD)/bench/rvfview_bench; \
	else \
	  xvfb-run -a -s "-screen 0 1280x1024x24" $(BENCH_BUILD)/bench/rvfview_bench; \
	fi

# Opens the viewer on the bundled sample.
run: run-deps build
	@$(BUILD)/viewer/RVFView samples/torus.rvf samples/torus_normals.tga

# Draws the README's pictures (docs/images/) with rvfrender; no display needed.
pictures: build
	@tools/rvfrender/pictures.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(BIGENDIAN_BUILD) $(BENCH_BUILD)
