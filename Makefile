# Thin wrappers over CMake and CTest.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
ARGS ?=

.PHONY: all run build test sanitize fuzz bench clean

all: build

build:
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVEKRAN_TESTS=OFF >/dev/null
	cmake --build build/release -j $(JOBS)

run: build
	./build/release/vekran $(ARGS)

test:
	cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build/test -j $(JOBS)
	cd build/test && ctest --output-on-failure -j $(JOBS)

sanitize:
	cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DVEKRAN_SANITIZE=ON -DVEKRAN_HEAVY_TESTS=OFF >/dev/null
	cmake --build build/sanitize -j $(JOBS)
	cd build/sanitize && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# Builds the fuzz targets with clang and runs each for FUZZ_TIME seconds (see scripts/fuzz.sh).
FUZZ_TIME ?= 60
fuzz:
	cmake -S . -B build/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEKRAN_FUZZ=ON -DVEKRAN_TESTS=OFF >/dev/null
	cmake --build build/fuzz -j $(JOBS)
	scripts/fuzz.sh build/fuzz $(FUZZ_TIME)

bench: build
	./build/release/vekran-bench $(ARGS)

clean:
	rm -rf build
