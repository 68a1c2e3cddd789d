# Quillmere: the two commands users need are `make run` and `make test`.
JOBS ?= $(shell nproc)
CTEST_FLAGS ?= --output-on-failure -j $(JOBS)
# ccache (when installed) shares compiled objects between the build folders
# and between clones of the project.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1

.PHONY: all deps run test test-dev test-asan test-release test-windows windows windows-screenshot fuzz-smoke fuzz bench \
	bench-compare format format-check clean install

all: deps
	cmake --preset dev >/dev/null
	cmake --build --preset dev -j $(JOBS)

deps:
	./scripts/install-deps

# The dialog (and the command-line tool it points to without a display),
# opened in DIR:  make run DIR=~/textures  (default: your home folder).
DIR ?= $(HOME)
run: deps
	cmake --preset dev >/dev/null
	cmake --build --preset dev -j $(JOBS) --target quillmere quillmere-cli
	./scripts/run-app "$(DIR)"

test: deps test-dev test-asan test-release test-windows fuzz-smoke

test-dev:
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)
	ctest --test-dir build/dev $(CTEST_FLAGS)

test-asan:
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --test-dir build/asan $(CTEST_FLAGS)

# The suites built as released (optimised, where GCC finds warnings of its
# own), warnings still errors.
test-release:
	cmake --preset release-tests
	cmake --build --preset release-tests -j $(JOBS)
	ctest --test-dir build/release-tests $(CTEST_FLAGS)

# The Windows build's suites under Wine, in a prefix of the build's own
# (build/windows/wineprefix), never the user's. Tests named Posix* are left
# out there.
# Then both builds convert the same files, which must come out byte for byte
# the same (scripts/compare-windows).
test-windows:
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS)
	ctest --test-dir build/windows $(CTEST_FLAGS)
	cmake --preset dev >/dev/null
	cmake --build --preset dev -j $(JOBS) --target quillmere-cli
	./scripts/compare-windows build/dev build/windows
	@# Wine's own background programs end with the prefix's server.
	-./scripts/wine-test --end build/windows

# The programs for 64-bit Windows and Explorer's thumbnail provider,
# cross-built with MinGW-w64 and linked statically, packed with the README
# and the licence; and the library for other programs: quillmere.dll, its
# import library and its header.
WINDOWS_ZIP = dist/quillmere-windows-x64.zip
WINDOWS_PROGRAMS = build/windows/src/app/quillmere.exe build/windows/src/cli/quillmere-cli.exe \
	build/windows/plugins/windows/quillmere-thumbnails.dll
WINDOWS_LIBRARY = build/windows/src/capi/quillmere.dll build/windows/src/capi/libquillmere.dll.a \
	include/quillmere/quillmere.h
windows: deps
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS) --target quillmere quillmere-cli quillmere-thumbnails \
		quillmere_lib
	rm -rf build/windows/package $(WINDOWS_ZIP)
	mkdir -p build/windows/package dist
	cp $(WINDOWS_PROGRAMS) $(WINDOWS_LIBRARY) README.md LICENSE build/windows/package/
	cd build/windows/package && zip -q -X ../../../$(WINDOWS_ZIP) *
	@echo "$(WINDOWS_ZIP)"

# docs/dialog-windows.png: the Windows dialog as Wine draws it.
windows-screenshot: deps
	cmake --preset windows
	cmake --build --preset windows -j $(JOBS) --target quillmere_dialog_screenshot_win
	xvfb-run -a -s "-screen 0 1024x768x24" ./scripts/wine-test --alone \
		build/windows/tools/quillmere_dialog_screenshot_win.exe Z:$(CURDIR)/docs/dialog-windows.png

# Every fuzz target briefly (part of `make test`), or for longer:
#   make fuzz FUZZ_SECONDS=3600
FUZZ_SECONDS ?= 600
fuzz-smoke:
	./scripts/fuzz 30

# ... and many random modding workflows (make test plays a few):
#   make fuzz FUZZ_WORKFLOWS=5000
FUZZ_WORKFLOWS ?= 1000
fuzz: deps
	./scripts/fuzz $(FUZZ_SECONDS)
	cmake --preset dev >/dev/null
	cmake --build --preset dev -j $(JOBS) --target test_workflow
	QM_WORKFLOWS=$(FUZZ_WORKFLOWS) build/dev/tests/test_workflow

bench: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	@for b in build/release/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

# Whole-program timings against PNG-only baselines (docs/performance.md).
bench-compare: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	./bench/compare build/release

# Both programs, the menu entry and the icons:  make install PREFIX=~/.local
# Built apart from the benchmarks' release build (the install preset builds
# no benchmarks and no tests). The menu entry and the thumbnailer name the
# programs by their installed paths, so PREFIX need not be on PATH.
PREFIX ?= /usr/local
install: deps
	cmake --preset install
	cmake --build --preset install -j $(JOBS)
	cmake --install build/install --prefix "$(abspath $(PREFIX))"

format:
	find src plugins tests bench fuzz tools -name '*.cpp' -o -name '*.h' | xargs clang-format -i

format-check:
	find src plugins tests bench fuzz tools -name '*.cpp' -o -name '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf build dist
