# make demo — build and run the demonstration on the built-in simulator.
# make test — build and run every test in the default and asan presets.
.PHONY: all deps build demo test clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake --preset default
	cmake --build --preset default

demo: build
	./build/default/examples/minimal_host ./build/default/src/libKavo5000.so

test: deps
	cmake --preset default
	cmake --build --preset default
	ctest --preset default
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

clean:
	rm -rf build
