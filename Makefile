BUILD_DIR := build
DEMO_DIR := demo
PREFIX ?= /usr/local
FUZZ_SECONDS ?= 60
# clang builds of their own: the fuzz targets, and the suite under sanitizers.
CLANG := -G Ninja -DCMAKE_CXX_COMPILER=clang++
FUZZ_DIR := build-fuzz
ASAN_DIR := build-asan
TSAN_DIR := build-tsan
# ThreadSanitizer runs the test whose own code runs a second thread, in the case
# that takes no timing limit: TSan slows the in-place sync past its lock limit.
# Tests that start a program are left out: clang 14's TSan stops at the way Qt
# starts one (QProcess's clone).
TSAN_TEST := test_sync
TSAN_CASE := readersSeeOldRowsOrNewRows

.PHONY: all deps build test bench demo format clean install package fuzz sanitize

all: build

deps:
	bash scripts/install-deps

build:
	cmake -S . -B $(BUILD_DIR) -G Ninja
	cmake --build $(BUILD_DIR)

test:
	$(MAKE) deps
	$(MAKE) build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

# The chain of stations on one server in make bench; the full figure is 1000
# (tests/bench_fleet_scale alone, a few minutes).
SCALE_STATIONS ?= 50
# The figures on the screen; what the stations under test say meanwhile goes
# to bench-journal.log (its end is shown when a bench fails).
bench: build
	cd $(BUILD_DIR) && : > bench-journal.log && for bench in bench_gate bench_busy_gate bench_sync bench_fleet \
	  "bench_fleet_scale --stations $(SCALE_STATIONS)"; do \
	  QT_QPA_PLATFORM=offscreen tests/$$bench 2>>bench-journal.log || { tail -n 20 bench-journal.log; exit 1; }; \
	done
	@echo "The stations' journal lines: $(BUILD_DIR)/bench-journal.log"

demo:
	$(MAKE) deps
	$(MAKE) build
	bash scripts/demo-folder $(DEMO_DIR)
	bash scripts/run-demo $(BUILD_DIR) $(DEMO_DIR)

# From source: programs, schema, documents and systemd units under $(PREFIX)
# (DESTDIR is honoured).
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# The Debian package gate-station_<version>_<arch>.deb, in $(BUILD_DIR).
package:
	$(MAKE) deps
	$(MAKE) build
	cd $(BUILD_DIR) && cpack -G DEB

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

# Every fuzz target for FUZZ_SECONDS from its corpus; fails on a finding.
fuzz:
	$(MAKE) deps
	cmake -S . -B $(FUZZ_DIR) $(CLANG) -DGATE_SANITIZE=address,undefined -DGATE_FUZZ=ON
	cmake --build $(FUZZ_DIR) --target fuzz_targets
	bash scripts/run-fuzz $(FUZZ_DIR) $(FUZZ_SECONDS)

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, then
# the threaded test under ThreadSanitizer.
sanitize:
	$(MAKE) deps
	cmake -S . -B $(ASAN_DIR) $(CLANG) -DGATE_SANITIZE=address,undefined
	cmake --build $(ASAN_DIR)
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure
	cmake -S . -B $(TSAN_DIR) $(CLANG) -DGATE_SANITIZE=thread
	cmake --build $(TSAN_DIR) --target $(TSAN_TEST)
	cd $(TSAN_DIR) && QT_QPA_PLATFORM=offscreen TSAN_OPTIONS=suppressions=$(CURDIR)/tests/tsan.supp \
	  tests/$(TSAN_TEST) '$(TSAN_CASE)'

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_DIR) $(ASAN_DIR) $(TSAN_DIR)
