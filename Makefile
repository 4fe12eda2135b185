# make demo — build and run `kavo5000 demo`: a whole delivery on the built-in simulator.
# make test — build and run every test in the default and asan presets.
.PHONY: all deps build demo test clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake --preset default
	cmake --build --preset default

demo: build
	./build/default/host/tools/kavo5000 demo

test: deps
	cmake --preset default
	cmake --build --preset default
	ctest --preset default
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

clean:
	rm -rf build
