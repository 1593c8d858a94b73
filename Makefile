# Wraps CMake. `make demo` and `make test` set up everything a fresh Debian 12 machine needs.
.PHONY: deps configure build run test sanitize tsan demo package bench fuzz screenshots screenshots-windows format clean windows windows-installer test-windows

CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)
SANITIZE_FLAGS := -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined

deps:
	@bash scripts/install-deps

build/build.ninja: CMakeLists.txt | deps
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps build/build.ninja
	cmake --build build -j $(JOBS)

run: build
	cd build && ./rodiduz-setup

# The wizard against the box simulator; DEMO_ARGS go to the simulator. Builds only what the
# demo runs, so the first window comes without waiting for the tests.
demo: deps build/build.ninja
	cmake --build build -j $(JOBS) --target rodiduz_demo
	bash scripts/demo $(DEMO_ARGS)

# The Debian package build/rodiduz-setup_<version>_<arch>.deb, made by CPack from the install rules.
package: deps build/build.ninja
	cmake --build build -j $(JOBS) --target rodiduz_installed
	cd build && cpack -G DEB

test: build
	cd build && ctest --output-on-failure -j $(JOBS)

sanitize: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS)" -DCMAKE_C_FLAGS="$(SANITIZE_FLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE_FLAGS)" -DCMAKE_SHARED_LINKER_FLAGS="$(SANITIZE_FLAGS)" \
	  -DRODIDUZ_BUILD_BENCHMARKS=OFF $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest --output-on-failure -j $(JOBS)

# The threaded core tests under ThreadSanitizer (Qt is left out: it is not TSan-clean).
tsan: deps
	cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRODIDUZ_CORE_ONLY=ON \
	  -DCMAKE_CXX_FLAGS="-fsanitize=thread" -DCMAKE_C_FLAGS="-fsanitize=thread" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=thread" \
	  -DRODIDUZ_BUILD_BENCHMARKS=OFF $(CMAKE_FLAGS)
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --output-on-failure -j $(JOBS)

# libFuzzer targets (clang), each run for FUZZ_SECONDS on a copy of its committed corpus;
# new inputs land in build-fuzz/corpus/, crash reproducers in build-fuzz/findings/.
FUZZ_SECONDS ?= 20
FUZZ_COMPILE_FLAGS := -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
FUZZ_LINK_FLAGS := -fsanitize=address,undefined

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRODIDUZ_CORE_ONLY=ON \
	  -DRODIDUZ_FUZZ=ON -DRODIDUZ_BUILD_BENCHMARKS=OFF \
	  -DCMAKE_CXX_FLAGS="$(FUZZ_COMPILE_FLAGS)" -DCMAKE_C_FLAGS="$(FUZZ_COMPILE_FLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(FUZZ_LINK_FLAGS)" -DCMAKE_SHARED_LINKER_FLAGS="$(FUZZ_LINK_FLAGS)" $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS) --target rodiduz_fuzzers
	@status=0; for dir in tests/fuzz/corpus/*/; do \
	  name=$$(basename $$dir); \
	  rm -rf build-fuzz/corpus/$$name build-fuzz/findings/$$name; mkdir -p build-fuzz/corpus/$$name build-fuzz/findings/$$name; \
	  cp $$dir* build-fuzz/corpus/$$name/; \
	  echo "== $$name ($(FUZZ_SECONDS) s)"; \
	  build-fuzz/tests/fuzz/$$name -max_total_time=$(FUZZ_SECONDS) -max_len=20000 -print_final_stats=1 \
	    -artifact_prefix=build-fuzz/findings/$$name/ build-fuzz/corpus/$$name || status=1; \
	done; exit $$status

# Pictures of the four pages, the message window and the log window, taken under Xvfb against
# the simulator.
screenshots: build
	bash scripts/screenshots build

bench: build
	@for b in build/bench/rodiduz-bench-*; do [ -x "$$b" ] && "$$b"; done

# The Windows program, the Qt-free core, our usblib.dll, the tests' stand-in usblib.dll and the
# Win32 backend tests: the root project configured with a mingw-w64 toolchain file, for 64-bit
# Windows in build-win/ and for 32-bit Windows, the word size of the vendor's usblib.dll, in
# build-win32/. test-windows checks the programs' import and export tables and runs the tests under Wine (the 32-bit ones where Wine can).
# The Windows program takes the pictures the Linux build draws; the Wine whole run drives it
# against the Linux build's box simulator.
windows: build/build.ninja
	@bash scripts/install-deps windows
	cmake --build build -j $(JOBS) --target rodiduz_pictures rodiduz-boxsim rodiduz_apnlist
	@for dir in build-win build-win32; do \
	  if [ -f $$dir/CMakeCache.txt ] && ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$(CURDIR)" $$dir/CMakeCache.txt; then \
	    echo "$$dir was configured from another folder: configuring it anew"; rm -rf $$dir; \
	  fi; \
	done
	cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	  -DRODIDUZ_USBLIB_DLL="$(abspath $(USBLIB_DLL))" $(CMAKE_FLAGS)
	cmake --build build-win -j $(JOBS)
	cmake -S . -B build-win32 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-i686.cmake \
	  -DRODIDUZ_USBLIB_DLL="$(abspath $(USBLIB_DLL))" $(CMAKE_FLAGS)
	cmake --build build-win32 -j $(JOBS)

# The installers build-win/rodiduz-setup-<version>-setup.exe and, for the 32-bit program,
# build-win32/rodiduz-setup-<version>-x86-setup.exe (NSIS): the program, apnlist.csv, README.txt
# and licence notices and our usblib.dll under Program Files, a Start-menu shortcut and an
# uninstaller. USBLIB_DLL=<path> puts the vendor's usblib.dll in place of ours in the installer
# of its word size.
windows-installer: windows
	cmake --build build-win -j $(JOBS) --target rodiduz_installer
	cmake --build build-win32 -j $(JOBS) --target rodiduz_installer

test-windows: windows-installer
	bash scripts/test-windows build-win build-win32

# Pictures of the Windows program's pages, message window and log window, taken under Wine on
# Xvfb against the simulator.
screenshots-windows: windows
	bash scripts/screenshots-windows build-win

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build build-asan build-tsan build-fuzz build-win build-win32
