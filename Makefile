# The two commands of the README: `make run` and `make test`.
BUILD ?= build

.PHONY: run test build deps

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD)

# With a display the toy starts in its window; without one a short headless
# demo plays it under Xvfb and leaves a screenshot and a recording.
run: build
	@if [ -n "$${DISPLAY:-}" ]; then \
	  PEGPOND_LIBEXEC=$(BUILD) PEGPOND_DATA=$(BUILD)/data scripts/pegpond; \
	else \
	  scripts/demo $(BUILD); \
	fi

# The whole suite; the unit and GL tests again built with AddressSanitizer and
# UndefinedBehaviorSanitizer; then a minute of fuzzing per target, a two-minute
# soak of the real program and a short valgrind run. Longer runs:
# scripts/fuzz SECONDS_PER_TARGET, scripts/soak SECONDS, scripts/memcheck SECONDS.
test: build
	cd $(BUILD) && ctest --output-on-failure -j 2
	cmake -S . -B $(BUILD)-asan -G Ninja -DPEGPOND_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(BUILD)-asan
	cd $(BUILD)-asan && ctest --output-on-failure -j 2 --label-exclude e2e
	scripts/fuzz 60
	BUILD=$(BUILD) scripts/soak 120
	BUILD=$(BUILD) scripts/memcheck 10
	@echo "stress: 3 passed, 0 failed"
