# Entry points: `make test` sets up a fresh Debian machine, builds and runs every test,
# in the normal build and in the AddressSanitizer + UndefinedBehaviorSanitizer build.

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: all setup build build-asan test test-asan test-normal demo clean

all: build

setup:
	@sh scripts/setup.sh

build: setup
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

build-asan: setup
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=ON \
	      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
	cmake --build $(ASAN_BUILD) -j $(JOBS)

test-normal: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

test: test-normal test-asan

# Builds the converter, writes a sample movie (a colourful 320x224 clip with 8-bit sound,
# made by our own code) and converts it at the window's default quality; kestrel-convert
# prints the summary. DEMO_QUALITY=N tries another quality.
DEMO_QUALITY ?= 10000
demo: setup
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS) --target kestrel-convert kestrel-demo-avi
	mkdir -p $(BUILD)/demo
	$(BUILD)/kestrel-demo-avi $(BUILD)/demo/sample.avi
	$(BUILD)/kestrel-convert --quality $(DEMO_QUALITY) $(BUILD)/demo/sample.avi

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
