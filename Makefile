# make render: install what is missing, build, render the default scene into out/
# make test:   install what is missing, build, run every test
# make declarations: rewrite share/uvo/shaders/*.json from the parameter lists
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps build test render bench declarations clean

all: build

deps:
	@bash scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

render: build
	@if [ -x $(BUILD)/bin/uvo-render ]; then \
		mkdir -p out && $(BUILD)/bin/uvo-render scenes/default.json -o out/default; \
	else \
		echo "The reference renderer is not built yet: the library is in $(BUILD)/lib/libuvo_shaders.so."; \
	fi

declarations:
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) --target declarations

bench: build
	@for b in $(BUILD)/bin/*_bench; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD) out
