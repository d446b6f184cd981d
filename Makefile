# The two set-up commands of the README: `make run` and `make test`. Both install what is
# missing, configure, build and generate the content first.
SRC     := .
BUILD   := build
PREFIX  := $(CURDIR)/$(BUILD)/wineprefix
CMAKE_FLAGS := -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps configure build run test package bench clean

all: build

deps:
	@scripts/install-deps.sh

# Configuring again is cheap and picks up new tool and test folders.
configure: deps
	@cmake -S $(SRC) -B $(BUILD) $(CMAKE_FLAGS) --no-warn-unused-cli >/dev/null

# The build's own output goes to $(BUILD)/build.log: the terminal gets one line when something
# was built, nothing when all was up to date, and the whole log when the build fails.
build: configure
	@cmake --build $(BUILD) -j$$(nproc) >$(BUILD)/build.log 2>&1 || \
	  { cat $(BUILD)/build.log; echo "The build failed (log: $(BUILD)/build.log)"; exit 1; }
	@steps=$$(grep -cE '^\[ *[0-9]+%\] (Building|Linking|Generating)' $(BUILD)/build.log); \
	  [ "$$steps" = 0 ] || echo "Built: $$steps steps (log: $(BUILD)/build.log)"
	@scripts/wine-prefix $(PREFIX)

run: build
	@scripts/run-viewer $(BUILD)

test: build
	scripts/with-xvfb $(PREFIX) ctest --test-dir $(BUILD) --output-on-failure

# The Windows download: $(BUILD)/tidewater-1.0.0-win64.zip (the program, its content, a README).
package: build
	cd $(BUILD) && cpack --config CPackConfig.cmake

# Figures, not a test: frame rates, frame steps, start-up, allocations, build times (README).
# With BASE=<commit>, that commit is built the same way in a worktree beside ours
# (bench/base_tree.sh) and both builds are measured in turns, each figure with its ratio.
bench: build
ifdef BASE
	@tree=$$(bench/base_tree.sh $(BASE) $(BUILD)) && \
	  $(MAKE) --no-print-directory build SRC=$$tree BUILD=$$tree/build && \
	  bench/bench.sh $(BUILD) $$tree/build
else
	@bench/bench.sh $(BUILD)
endif

clean:
	rm -rf $(BUILD)
