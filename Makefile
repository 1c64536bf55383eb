# The two set-up commands of the README are `make run` and `make test`.
BUILD_DIR ?= build
BUILD_TYPE ?= Release

.PHONY: deps build run test clean

deps:
	scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)
	cmake --build $(BUILD_DIR)

run: build
	scripts/run.sh $(BUILD_DIR)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure

clean:
	rm -rf $(BUILD_DIR)
