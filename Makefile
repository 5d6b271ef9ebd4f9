# make run: build and start Tidewell. make test: build and run every test.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD)

run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		exec $(BUILD)/bin/tidewell $(ARGS); \
	else \
		echo "No display found: starting the headless tidewelld (stop it with Ctrl+C)."; \
		echo "Its status page is at http://localhost:8070/ (the port is HTTPPort in the settings)."; \
		exec $(BUILD)/bin/tidewelld $(ARGS); \
	fi

test: build
	ctest --test-dir $(BUILD) --output-on-failure

clean:
	rm -rf $(BUILD)
