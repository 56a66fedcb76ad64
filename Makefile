# The two commands of the README: `make run` and `make test`.
BUILD ?= build

.PHONY: run test build deps web deb

deps:
	scripts/install-deps run

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

# The browser build in build-web/: emscripten from Debian, the data from the
# native build's generators.
web: build
	scripts/install-deps web
	NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B $(BUILD)-web -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DPEGPOND_DATA_DIR=$(abspath $(BUILD))/data >/dev/null
	NODE_PATH=/usr/share/nodejs cmake --build $(BUILD)-web
	@echo "pegpond for the browser is in $(BUILD)-web/; serve it and open the address:"
	@echo "  scripts/serve $(BUILD)-web 8000"
	@echo "  http://127.0.0.1:8000/"

# The Debian package in build-deb/, built from a copy of the sources.
deb:
	scripts/build-deb

# The whole suite and the browser build's tests in Chromium, Firefox and
# WebKitGTK; the unit and GL tests again built with AddressSanitizer and
# UndefinedBehaviorSanitizer; then short runs of fuzzing, soak and valgrind,
# and the Debian package built and looked into.
# Longer runs: fuzz/run.sh SECONDS_PER_TARGET, tests/soak/soak.sh BUILD SECONDS,
# tests/memcheck/memcheck.sh BUILD SECONDS.
test: build web
	scripts/install-deps test
	cd $(BUILD) && ctest --output-on-failure -j 2
	tests/web/engines.sh $(abspath $(BUILD))-web
	cmake -S . -B $(BUILD)-asan -G Ninja -DPEGPOND_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(BUILD)-asan
	cd $(BUILD)-asan && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp:print_suppressions=0 ctest --output-on-failure -j 2 --label-exclude e2e
	fuzz/run.sh 20
	tests/soak/soak.sh $(BUILD) 30
	tests/memcheck/memcheck.sh $(BUILD) 10
	tests/package/package.sh
	@echo "stress: 3 passed, 0 failed"
