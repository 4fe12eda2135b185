# make demo — build and run `kavo5000 demo`: a whole delivery on the built-in simulator.
# make test — build and run every test in the default and asan presets.
# make bench — build and run every benchmark; prints one table of figures and goals.
# make package — build the default preset and pack it as Debian packages
#   (build/default/*.deb: kavo5000, libkavo5000c1, kavo5000-dev,
#   python3-kavo5000), each one's file list checked.
# make reliability — fuzz every target (FUZZ_SECONDS each, default 60), the full
#   noisy-line soak, the bad-input sweep and the concurrency stress; one table.
# CMAKE_ARGS reaches every configure step (CI passes warnings-as-errors).
.PHONY: all deps build demo test package bench reliability clean

CMAKE_ARGS ?=
FUZZ_SECONDS ?= 60

all: build

deps:
	@scripts/install-deps

build: deps
	cmake --preset default $(CMAKE_ARGS)
	cmake --build --preset default

demo: build
	./build/default/host/tools/kavo5000 demo

test: deps
	cmake --preset default $(CMAKE_ARGS)
	cmake --build --preset default
	ctest --preset default
	cmake --preset asan $(CMAKE_ARGS)
	cmake --build --preset asan
	ctest --preset asan

package: build
	rm -f build/default/*.deb
	cd build/default && cpack -G DEB
	for deb in build/default/*.deb; do tests/package/check-contents.sh deb $$deb || exit 1; done

bench: deps
	cmake --preset default $(CMAKE_ARGS)
	cmake --build --preset default --target micro_bench c_interface_bench line_bench tcp_bench
	bench/table.sh build/default

reliability: deps
	cmake --preset default $(CMAKE_ARGS)
	cmake --build --preset default --target reliability_soak reliability_sweep reliability_stress
	cmake --preset fuzz $(CMAKE_ARGS)
	cmake --build --preset fuzz
	tests/reliability/table.sh build/default build/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build
