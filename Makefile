# Quillmere: the two commands users need are `make run` and `make test`.
JOBS ?= $(shell nproc)
CTEST_FLAGS ?= --output-on-failure -j $(JOBS)

.PHONY: all deps run test test-dev test-asan fuzz-smoke fuzz bench bench-compare format format-check \
	clean install

all: deps
	cmake --preset dev >/dev/null
	cmake --build --preset dev -j $(JOBS)

deps:
	./scripts/install-deps

run: all
	./scripts/run-app

test: deps test-dev test-asan fuzz-smoke

test-dev:
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)
	ctest --test-dir build/dev $(CTEST_FLAGS)

test-asan:
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --test-dir build/asan $(CTEST_FLAGS)

# Every fuzz target briefly (part of `make test`), or for longer:
#   make fuzz FUZZ_SECONDS=3600
FUZZ_SECONDS ?= 600
fuzz-smoke:
	./scripts/fuzz 30

fuzz: deps
	./scripts/fuzz $(FUZZ_SECONDS)

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
PREFIX ?= /usr/local
install: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	cmake --install build/release --prefix $(PREFIX)

format:
	find src tests bench fuzz tools -name '*.cpp' -o -name '*.h' | xargs clang-format -i

format-check:
	find src tests bench fuzz tools -name '*.cpp' -o -name '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf build
