# Front door to the CMake build. `make run` and `make test` install what is
# missing first (scripts/install-deps), so a fresh Debian/Ubuntu machine needs
# nothing else.

BUILD_DIR  ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

.PHONY: all deps configure build run test test-load tidy tidy-windows format format-check sanitize-build test-sanitize test-load-sanitize check-windows windows windows-configure test-windows bench bench-pages clean fuzz fuzz-build fuzz-smoke screenshot package package-test

all: build

deps:
	@scripts/install-deps

# Each tree is a preset of CMakePresets.json; the variables here override it.
configure: deps
	@cmake --preset default -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/bin/zelvan

test: build check-windows
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory fuzz-smoke

# The load rehearsal: the suite LOAD_ROUNDS times over with ctest -j LOAD_JOBS
# while stress-ng keeps one core busy, as on a slower or busier machine than
# this one; each failure is reported with its round, test and row
# (scripts/test-load). Not part of CI, which runs the suite as `make test` does.
LOAD_ROUNDS ?= 5
LOAD_JOBS   ?= 2
test-load: build
	@scripts/install-deps --load
	LOAD_ROUNDS=$(LOAD_ROUNDS) LOAD_JOBS=$(LOAD_JOBS) scripts/test-load $(BUILD_DIR)

# clang-tidy's checks (.clang-tidy: faults and modern forms) over every source
# of the default tree, with its compile commands, and every header of ours they
# include (HeaderFilterRegex); any finding fails.
tidy: build
	run-clang-tidy -quiet -p $(BUILD_DIR) -j $(JOBS) '$(CURDIR)/(engine|platform|ui|app|tests)/' 2>/dev/null

# Formatting is clang-format's (.clang-format): `make format` rewrites every
# C++ source in place, `make format-check` fails on any that it would change.
FORMAT_SOURCES = $(shell git ls-files '*.cpp' '*.h')
format: deps
	clang-format -i $(FORMAT_SOURCES)
format-check: deps
	@clang-format --dry-run --Werror $(FORMAT_SOURCES)

# The whole suite again, built with AddressSanitizer and UBSan in a tree of its
# own. Leaks inside the system's libraries (fontconfig, Mesa, ...) are not
# ours and are suppressed in tests/lsan.supp; the browser engine's library
# frees with a mismatched sized delete of its own, so that check is off.
# `make test-load-sanitize` is the load rehearsal of that tree.
SANITIZE_DIR   ?= build-sanitize
SANITIZE_ENV    = QT_QPA_PLATFORM=offscreen \
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:new_delete_type_mismatch=0 \
    UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0
sanitize-build: deps
	@cmake --preset sanitize -B $(SANITIZE_DIR) $(CMAKE_ARGS) >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)

test-sanitize: sanitize-build
	cd $(SANITIZE_DIR) && $(SANITIZE_ENV) ctest --output-on-failure -j $(JOBS)

test-load-sanitize: sanitize-build
	@scripts/install-deps --load
	$(SANITIZE_ENV) LOAD_ROUNDS=$(LOAD_ROUNDS) LOAD_JOBS=$(LOAD_JOBS) scripts/test-load $(SANITIZE_DIR)

# A quick look at the Windows-only sources for `make test`, which has no Qt
# for Windows at hand: the MinGW cross-compiler checks those that need no Qt
# against the real Windows headers (`make windows` builds them all).
WINDOWS_SOURCES := $(sort $(shell grep -L '^\#include <Q' platform/win32/*.cpp platform/*/*_win.cpp adverthost/*.cpp))

check-windows: configure
	@for f in $(WINDOWS_SOURCES); do \
		echo "check-windows: $$f"; \
		x86_64-w64-mingw32-g++ -std=c++20 -fsyntax-only -I. $$f || exit 1; \
	done
	@echo "check-windows: app/zelvan.rc"
	@o=$$(mktemp /tmp/zelvan-rc.XXXXXX); \
		x86_64-w64-mingw32-windres -I$(BUILD_DIR)/generated app/zelvan.rc -O coff -o $$o; rc=$$?; rm -f $$o; exit $$rc

# The same checks over the Windows tree, with its compile commands: the
# Windows-only sources (platform/win32, adverthost, the Windows tests and
# their stand-in) and the shared ones with parts for Windows; the rest is
# the same code `make tidy` checks. clang reads them for MinGW's target; it
# finds MinGW's C headers itself but not the C++ library of Debian's
# posix-threads cross-compiler, whose folders are asked of that compiler.
# CI runs it after the Windows tests.
WINDOWS_TIDY_SOURCES := $(sort $(wildcard platform/win32/*.cpp adverthost/*.cpp tests/win32/*.cpp) \
    $(shell git ls-files '*.cpp' | xargs grep -lE \
        '^\s*\#\s*((if|ifdef|ifndef|elif).*(Q_OS_WIN|_WIN32)|include\s*[<"](windows\.h|adverthost/|platform/win32/))'))

tidy-windows: windows-configure
	@cmake --build $(WINDOWS_DIR) -j $(JOBS)
	@cxx=$$(x86_64-w64-mingw32-g++-posix -E -x c++ -v - </dev/null 2>&1 | sed -n 's,^ \(/.*/include/c++.*\)$$,\1,p'); \
	run-clang-tidy -quiet -p $(WINDOWS_DIR) -j $(JOBS) -extra-arg-before=--target=x86_64-w64-mingw32 \
	    $$(for d in $$cxx; do printf ' -extra-arg-before=-isystem%s' "$$(realpath "$$d")"; done) \
	    $(addprefix $(CURDIR)/,$(WINDOWS_TIDY_SOURCES)) 2>/dev/null

# Windows, cross-built with MinGW-w64 against a Qt for Windows that
# scripts/build-qt-windows provides: from ZELVAN_QT_WINDOWS (a prefix or its
# tarball) when set, else built once from Debian's Qt source into a cache.
# `make windows` leaves in $(WINDOWS_DIR) the portable zelvan-<version>-win64.zip
# and the installer zelvan-<version>-win64-setup.exe; `make test-windows` runs
# the suite under Wine, then installs, starts and uninstalls the installer there.
WINDOWS_DIR ?= build-windows
windows-configure:
	@scripts/install-deps --windows
	@qt=$$(scripts/build-qt-windows) && \
	    ZELVAN_QT_WINDOWS_PREFIX=$$qt cmake --preset windows -B $(WINDOWS_DIR) $(CMAKE_ARGS) >/dev/null

windows: windows-configure
	@cmake --build $(WINDOWS_DIR) -j $(JOBS) --target windows_packages

test-windows: windows
	@cmake --build $(WINDOWS_DIR) -j $(JOBS)
	tests/run-under-wine.sh ctest --test-dir $(WINDOWS_DIR) --output-on-failure -j $(JOBS)
	ZELVAN_STANDIN=$(WINDOWS_DIR)/bin/standin.exe packaging/windows/test-installer.sh \
	    $(WINDOWS_DIR)/zelvan-$$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' $(WINDOWS_DIR)/CMakeCache.txt)-win64-setup.exe

# A Debian package of the installed program, $(BUILD_DIR)/zelvan_<version>_<arch>.deb.
# The tree is configured for /usr, where the package puts everything.
package: deps
	@cmake --preset default -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCMAKE_INSTALL_PREFIX=/usr $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)
	cd $(BUILD_DIR) && cpack -G DEB

# Installs that package on this machine (needs root) and starts the installed program.
package-test: package
	packaging/test-package.sh $(BUILD_DIR)

# docs/screenshot.png: the main window photographed on a virtual display.
screenshot: build
	scripts/screenshot.sh $(BUILD_DIR)/bin/zelvan docs/screenshot.png
	QT_SCALE_FACTOR=2 XVFB_SCREEN=2560x1600x24 scripts/screenshot.sh $(BUILD_DIR)/bin/zelvan docs/screenshot@2x.png

# Benchmarks live in their own Release tree so they never disturb the test build.
# The start-up benchmark also needs the two calculators it compares against.
# Its zelvan takes its advert from a loopback server that bench/startup.sh runs.
BENCH_DIR ?= build-bench
BENCH_ADVERT_PORT ?= 18754
bench:
	@scripts/install-deps --bench
	@cmake --preset bench -B $(BENCH_DIR) -DZELVAN_SITE_HOST=127.0.0.1:$(BENCH_ADVERT_PORT) $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BENCH_DIR) -j $(JOBS) --target bench_engine bench_typing zelvan zelvan_webview bench_barewindow bench_contentwindow
	$(BENCH_DIR)/bin/bench_engine --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	QT_QPA_PLATFORM=offscreen $(BENCH_DIR)/bin/bench_typing -median 9
	ADVERT_PORT=$(BENCH_ADVERT_PORT) bench/startup.sh $(BENCH_DIR)/bin/zelvan $(BENCH_DIR)/bin/bench_barewindow $(BENCH_DIR)/bin/bench_contentwindow

# Adverts that would hurt (bench/pages), each served to the bench build of
# zelvan for BENCH_PAGES_SECONDS: peak memory, PSS, processor time, requests.
BENCH_PAGES_SECONDS ?= 60
bench-pages:
	@scripts/install-deps --bench
	@cmake --preset bench -B $(BENCH_DIR) -DZELVAN_SITE_HOST=127.0.0.1:$(BENCH_ADVERT_PORT) $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BENCH_DIR) -j $(JOBS) --target zelvan zelvan_webview
	ADVERT_PORT=$(BENCH_ADVERT_PORT) bench/pages.sh $(BENCH_DIR)/bin/zelvan $(BENCH_PAGES_SECONDS)

# The engine under libFuzzer with AddressSanitizer and UBSan, in a clang tree
# of its own. `make fuzz` runs for FUZZ_SECONDS (CI runs it too); the test run
# only does a smoke of FUZZ_SMOKE_SECONDS from the committed starting corpus in
# fuzz/corpus, so that `make test` stays quick for whoever runs it.
FUZZ_DIR           ?= build-fuzz
FUZZ_SECONDS       ?= 600
FUZZ_SMOKE_SECONDS ?= 5
fuzz-build: deps
	@cmake --preset fuzz -B $(FUZZ_DIR) >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS)

fuzz: fuzz-build
	mkdir -p $(FUZZ_DIR)/corpus
	$(FUZZ_DIR)/bin/fuzz_engine -max_total_time=$(FUZZ_SECONDS) -max_len=120000 $(FUZZ_DIR)/corpus fuzz/corpus

fuzz-smoke: fuzz-build
	rm -rf $(FUZZ_DIR)/smoke && mkdir -p $(FUZZ_DIR)/smoke
	$(FUZZ_DIR)/bin/fuzz_engine -max_total_time=$(FUZZ_SMOKE_SECONDS) -max_len=120000 -print_final_stats=1 \
	    $(FUZZ_DIR)/smoke fuzz/corpus

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR) $(FUZZ_DIR) $(SANITIZE_DIR) $(WINDOWS_DIR)
