# The two commands of the README: `make run` and `make test`.
BUILD ?= build

.PHONY: run test build deps

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD)

run: build
	scripts/pegpond-run $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j 2
