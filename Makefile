# Wraps CMake. `make demo` and `make test` set up everything a fresh Debian 12 machine needs.
.PHONY: deps configure build run test sanitize tsan demo bench fuzz screenshots format clean windows

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

# The wizard against the box simulator; DEMO_ARGS go to the simulator.
demo: build
	bash scripts/demo $(DEMO_ARGS)

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

# Pictures of the four pages and the message window, taken under Xvfb against the simulator.
screenshots: build
	bash scripts/screenshots build

bench: build
	@for b in build/bench/rodiduz-bench-*; do [ -x "$$b" ] && "$$b"; done

# The Qt-free core cross-compiled for 64-bit Windows with mingw-w64, in build-win/.
windows:
	@bash scripts/install-deps windows
	cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake -DRODIDUZ_CORE_ONLY=ON \
	  -DRODIDUZ_BUILD_TESTS=OFF -DRODIDUZ_BUILD_BENCHMARKS=OFF $(CMAKE_FLAGS)
	cmake --build build-win -j $(JOBS) --target rodiduz_core

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build build-asan build-tsan
