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

.PHONY: all deps configure build play test clean format art-sheet \
	test-sanitize fuzz-build fuzz fuzz-replay

# The second build of the whole suite, with AddressSanitizer and UndefinedBehaviorSanitizer.
SANITIZE_DIR ?= build-asan
# The libFuzzer build (clang) and its campaigns: FUZZ_SECONDS per harness, FUZZ_JOBS harnesses at
# once, every harness of FUZZ_HARNESSES (default: all).
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 600
FUZZ_JOBS ?= 2
FUZZ_HARNESSES ?=
FUZZ_BUILD_JOBS ?= 2
# Not CI's -Werror: clang warns where gcc does not, and the harnesses are a test tool.
FUZZ_CMAKE_FLAGS ?=

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

# Leak checking stays on for every test that loads no OpenGL driver; the only suppressions are
# third-party pools (tests/sanitizer/lsan.supp). A process that opens an OpenGL context (the GL
# renderer's tests and the widget snapshot's, and the game and the art generator run by the
# end-to-end tests) gets Mesa's
# driver, which allocates blocks it never frees and is unloaded before the leak check, so its
# reports name no module a suppression could match: those tests run with AddressSanitizer and
# UndefinedBehaviorSanitizer but without the leak check.
# Not CI's -Werror: with the sanitizers' instrumentation gcc's flow analysis warns about paths
# that cannot happen (a null format string in Format, for one); the plain build keeps the code
# free of warnings.
SANITIZE_ENV = SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
GL_UNIT_TESTS = GLRender|SnapshotGL
# The sanitizer stage builds what its tests run (the test programs, and the game, the data tool,
# the generators and the data folder the end-to-end tests depend on), not the benchmarks.
SANITIZE_TARGETS = qm_tests qm_soundgen_tests qm_e2e_tests
# The long replays of play (thousands of frames of the automatic player) check the game's flow,
# which the plain build's run checks; under the sanitizers they would take most of CI's time, and
# the code they walk through is run under the sanitizers by the unit tests of the same units.
SANITIZE_SKIP_RENDER = SublevelFlow\.|SublevelScene\.AnAutoplayed|CampaignRun\.Wins|MonkeyRun
test-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_SANITIZE=ON \
	  $(filter-out -DQM_WERROR=ON,$(CMAKE_FLAGS)) -DQM_WERROR=OFF >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS) --target $(SANITIZE_TARGETS)
	cd $(SANITIZE_DIR) && $(SANITIZE_ENV) ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) -LE render -E '$(GL_UNIT_TESTS)'
	cd $(SANITIZE_DIR) && $(SANITIZE_ENV) ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) -L render -E '$(SANITIZE_SKIP_RENDER)'
	cd $(SANITIZE_DIR) && $(SANITIZE_ENV) ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) -R '$(GL_UNIT_TESTS)'

# The seeds are made from the default data folder of the normal build.
fuzz-build: build
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_FUZZ=ON \
	  -DQM_SEED_DATA=$(CURDIR)/$(BUILD_DIR)/data $(FUZZ_CMAKE_FLAGS) >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(FUZZ_BUILD_JOBS) --target fuzz-all

fuzz: fuzz-build
	@scripts/fuzz run $(FUZZ_DIR) $(FUZZ_SECONDS) $(FUZZ_JOBS) $(FUZZ_HARNESSES)

fuzz-replay: fuzz-build
	@scripts/fuzz replay $(FUZZ_DIR) $(FUZZ_HARNESSES)

art-sheet: build
	@cmake --build $(BUILD_DIR) --target art-sheet

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR)
