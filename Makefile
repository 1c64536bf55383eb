# The two set-up commands of the README are `make run` and `make test`.
BUILD_DIR ?= build
BUILD_TYPE ?= Release

.PHONY: deps build run test fuzz sanitize soak clean

deps:
	scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)
	cmake --build $(BUILD_DIR)

run: build
	scripts/run.sh $(BUILD_DIR)

# The folder layers (scripts/layers.txt), every test, then each fuzzer for
# 30 seconds (a build of their own, with clang).
test: build
	scripts/check-layers.sh
	ctest --test-dir $(BUILD_DIR) --output-on-failure
	scripts/fuzz.sh 30

# Longer checks, not part of `make test`: the fuzzers for FUZZ_SECONDS each,
# the CPU tests under AddressSanitizer and UndefinedBehaviorSanitizer, and the
# whole production captured with every validation check on.
FUZZ_SECONDS ?= 600
fuzz: deps
	scripts/fuzz.sh $(FUZZ_SECONDS)

sanitize: deps
	scripts/sanitize.sh

soak: build
	scripts/soak.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) build-fuzz build-sanitize
