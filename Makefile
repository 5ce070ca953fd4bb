# SPDX-License-Identifier: GPL-3.0-or-later
# The two commands a newcomer needs: `make run` and `make test`. Both set the machine up first.
.PHONY: setup build run test fuzz bench package lint-package format format-check clean

JOBS ?= $(shell nproc)
# Called by its versioned name: another clang-format on a contributor's machine formats differently.
CLANG_FORMAT ?= clang-format-14
FUZZ_SECONDS ?= 15
CMAKE_FLAGS ?=

setup:
	@bash scripts/setup.sh

build: setup
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUIRELLA_BUILD_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build build/release -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ] && [ -z "$$QT_QPA_PLATFORM" ]; then \
		echo "error: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set); Quirella Tag-Editor needs a desktop session." >&2; \
		exit 1; \
	fi
	./build/release/src/ui/quirella $(ARGS)

# Tests run under AddressSanitizer and UndefinedBehaviorSanitizer.
# intercept_tls_get_addr=0: the sanitizer runtime (GCC 12's and clang 14's) sizes the thread-local block
# of a library loaded at run time (libjpeg behind Qt's JPEG plugin, Mesa, the codecs FFmpeg pulls in)
# from the 16 bytes before it whenever the block starts 16 bytes past a page boundary, a layout glibc
# left in 2.19. Today those bytes are the allocator's own header, and the leak check at exit dies
# scanning a range from address 0x49f ("Tracer caught signal 11"). Where the block lands depends on how
# many small blocks came first, so one more file in Qt's plugin folders decides it. The leak check loses
# nothing: it scans every block the dynamic linker allocates, these among them.
test: setup
	cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUIRELLA_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build build/asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:intercept_tls_get_addr=0 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	ctest --test-dir build/asan --output-on-failure -j $(JOBS)

# Short libFuzzer runs of every parser of untrusted bytes (clang).
fuzz: setup
	CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DQUIRELLA_FUZZ=ON -DQUIRELLA_BUILD_TESTS=OFF -DQUIRELLA_BUILD_UI=OFF
	cmake --build build/fuzz -j $(JOBS)
	bash scripts/run-fuzzers.sh build/fuzz/fuzz $(FUZZ_SECONDS)

bench: setup
	cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUIRELLA_BUILD_TESTS=OFF -DQUIRELLA_BUILD_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	@for b in build/bench/bench/bench_*; do echo "== $$b"; "$$b" || exit 1; done

# A Debian package (build/release/quirella_<version>_<arch>.deb) with both programs, the desktop entry,
# the AppStream metainfo and the icons.
package: setup
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUIRELLA_BUILD_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build build/release -j $(JOBS)
	rm -f build/release/quirella_*.deb
	cd build/release && cpack -G DEB

# lintian on the package: any error or warning fails.
lint-package: package
	lintian --fail-on error,warning --display-info build/release/quirella_*.deb

format:
	git ls-files '*.cpp' '*.h' | xargs $(CLANG_FORMAT) -i

format-check: setup
	git ls-files '*.cpp' '*.h' | xargs $(CLANG_FORMAT) --dry-run -Werror

clean:
	rm -rf build
