# Two entry points: `make run` and `make test`. Both install missing packages first.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=


.PHONY: all deps configure build run test test-slow asan clean

all: build

deps:
	@bash tools/install-deps.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DVXM_BIN_DIR=$(CURDIR)/bin $(CMAKE_FLAGS)

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display found. Start the program under a virtual display with:"; \
	  echo "  xvfb-run -a -s '-screen 0 1920x1080x24' ./bin/VXMPro"; \
	else ./bin/VXMPro; fi

# Every test but those labelled slow or asan.
test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
	  ctest --output-on-failure -j $(JOBS) -LE 'slow|asan' --timeout 300

test-slow: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
	  ctest --output-on-failure -j $(JOBS) -L slow

# AddressSanitizer + UndefinedBehaviorSanitizer build in its own folder, every
# test but the slow ones, each checked for leaks (system libraries' own leaks
# are named in tests/third_party_leaks.supp).
asan: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVXM_SANITIZE=ON -DVXM_BIN_DIR=$(CURDIR)/build-asan/bin $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && QT_QPA_PLATFORM=offscreen SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
	  ctest --output-on-failure -j $(JOBS) -LE slow

clean:
	rm -rf $(BUILD_DIR) build-asan bin
