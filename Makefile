# The two commands of the README: `make play` and `make test`. Both install missing packages,
# configure and build first.

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
ARGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

# CI treats warnings as errors.
ifeq ($(CI),true)
CMAKE_FLAGS += -DQM_WERROR=ON
endif

.PHONY: all deps configure build play test clean format art-sheet

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

play: build
	$(BUILD_DIR)/quillmark $(ARGS)

test: build
	cd $(BUILD_DIR) && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ctest --output-on-failure -j $(JOBS)

art-sheet: build
	@cmake --build $(BUILD_DIR) --target art-sheet

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD_DIR)
