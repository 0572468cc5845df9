# Set-up and everyday commands. Every target installs what it needs first, so each one works on a
# fresh machine.
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
DEMO_BUILD ?= build-demo
CMAKE_FLAGS ?=
# Optimised builds carry line tables only (enough for backtraces and profiles, a fifth less compile
# time than full debug information); the address-sanitizer build is optimised lightly, which runs
# its tests several times faster than no optimisation and still reports every line exactly.
OPT_FLAGS = -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
ASAN_FLAGS = -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DCMAKE_C_FLAGS_DEBUG="-O1 -g1"
FUZZ_SECONDS ?= 20

.PHONY: deps deps-cli install build test test-asan test-tsan format-check demo gui bench fuzz fuzz-smoke smoke clean

deps:
	bash scripts/install-deps.sh all

# Only what kavo-cli needs: make demo's first run stays short.
deps-cli:
	bash scripts/install-deps.sh cli

build: deps
	cmake -S . -B $(BUILD) -G Ninja $(OPT_FLAGS) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

test: deps format-check
	cmake -S . -B $(BUILD) -G Ninja $(OPT_FLAGS) -DKAVO_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) test-asan test-tsan fuzz-smoke

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja $(ASAN_FLAGS) -DKAVO_SANITIZE=address -DKAVO_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS) -LE slow

# Threading logic lives in the Qt-free core, so the thread sanitizer runs the core's tests only.
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja $(OPT_FLAGS) -DKAVO_SANITIZE=thread -DKAVO_GUI=OFF -DKAVO_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	cd $(TSAN_BUILD) && ctest --output-on-failure -j $(JOBS) -LE slow

format-check:
	@files=$$(git ls-files '*.cpp' '*.h'); \
	if [ -n "$$files" ]; then clang-format --dry-run --Werror $$files; fi

# The road a new user takes, in minutes: only kavo-cli is built (no desktop, tests or benchmarks, in a
# folder of its own), then detect finds the board in the bundled photos and compute gives the focal
# length, printed beside the truth.
demo: deps-cli
	cmake -S . -B $(DEMO_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAVO_GUI=OFF -DKAVO_TESTS=OFF -DKAVO_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(DEMO_BUILD) -j $(JOBS) --target kavo-cli
	bash scripts/demo.sh $(DEMO_BUILD)

# Installs the programs stripped, with their manual pages, completion and desktop files (PREFIX as
# configured, /usr/local by default).
install: build
	cmake --install $(BUILD) --strip

gui: build
	./$(BUILD)/src/gui/kavo

bench: deps
	cmake -S . -B $(BUILD) -G Ninja $(OPT_FLAGS) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	bash scripts/bench.sh $(BUILD)

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVO_FUZZ=ON -DKAVO_GUI=OFF -DKAVO_TESTS=OFF -DKAVO_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target kavo_fuzz_harnesses
	bash scripts/fuzz.sh $(FUZZ_BUILD) $(or $(FUZZ_TIME),300)

fuzz-smoke: deps
	@if [ -d fuzz ] && [ -f fuzz/CMakeLists.txt ]; then \
	  CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVO_FUZZ=ON -DKAVO_GUI=OFF -DKAVO_TESTS=OFF -DKAVO_BENCH=OFF && \
	  cmake --build $(FUZZ_BUILD) -j $(JOBS) --target kavo_fuzz_harnesses && \
	  bash scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS); \
	fi

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(DEMO_BUILD)
