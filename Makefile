BUILD_DIR := build
DEMO_DIR := demo
PREFIX ?= /usr/local

.PHONY: all deps build test bench demo format clean install package

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

# The figures on the screen; what the stations under test say meanwhile goes
# to bench-journal.log (its end is shown when a bench fails).
bench: build
	cd $(BUILD_DIR) && : > bench-journal.log && for bench in bench_gate bench_sync bench_fleet; do \
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

clean:
	rm -rf $(BUILD_DIR)
