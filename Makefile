# make render: install what is missing, build the library and uvo-render, render the default scene into out/
# make test:   install what is missing, build everything, run every test
# make bench:  build everything, run every benchmark, print the summary table
# make declarations: rewrite share/uvo/shaders/*.json and docs/shaders/*.md from the parameter lists
# make docs:   API documentation of include/uvo/ (Doxygen) in build/docs/api/html
# make install PREFIX=...: build and install the library, kit, headers, declarations, uvo-render
BUILD ?= build
JOBS ?= $(shell nproc)
# ccache, where it is installed, makes rebuilds in fresh trees cheap.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: all deps configure build test render bench declarations docs install clean

all: build

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Only what rendering needs: the shader library, the host library and uvo-render.
render: configure
	@cmake --build $(BUILD) -j $(JOBS) --target uvo_shaders uvo-render
	@mkdir -p out && $(BUILD)/bin/uvo-render scenes/default.json -o out/default

# make bench: every benchmark (BENCH_REPS repetitions, medians), the render
# scaling of the default scene, then one table of figures against goals.
BENCH_REPS ?= 5
bench: build
	@mkdir -p $(BUILD)/bench && rm -f $(BUILD)/bench/*.json
	@for b in $(BUILD)/bin/*_bench; do echo "== $$b"; $$b --benchmark_repetitions=$(BENCH_REPS) \
	    --benchmark_report_aggregates_only=true --benchmark_out_format=json \
	    --benchmark_out=$(BUILD)/bench/$$(basename $$b).json || exit 1; done
	@bench/render_scaling.sh $(BUILD) $(BUILD)/bench
	@python3 bench/summary.py $(BUILD)/bench

declarations: configure
	@cmake --build $(BUILD) --target declarations

docs: configure
	@bash scripts/install-deps scripts/docs-packages.txt
	@cmake -S . -B $(BUILD) >/dev/null
	@cmake --build $(BUILD) --target docs
	@echo "API documentation: $(BUILD)/docs/api/html/index.html"

PREFIX ?= /usr/local
install: configure
	@cmake --build $(BUILD) -j $(JOBS) --target uvo_shaders uvo_kit uvo-render
	@cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) out
