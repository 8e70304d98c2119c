# The two everyday commands: `make run` and `make test`.
BUILD ?= build
SAN_BUILD ?= build-san
FUZZ_BUILD ?= build-fuzz
TSAN_BUILD ?= build-tsan
# The test programs with work on several threads, and the filter that picks
# those tests, for the ThreadSanitizer build.
TSAN_PROGRAMS ?= zvtest_formats zvtest_library zvtest_processing zvtest_explorer
TSAN_FILTER ?= *Thread*:*Parallel*
FUZZ_SECONDS ?= 8
CMAKE_FLAGS ?=
SAMPLE ?= $(BUILD)/sample-pictures

.PHONY: all deps configure build run test bench format clean sanitize tsan fuzz layers

all: build

deps:
	@bash scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD)

run: build
	@bash scripts/run-zelvan $(BUILD) $(SAMPLE)

test: build
	cd $(BUILD) && ctest --output-on-failure -j2

bench: build
	@for b in $(BUILD)/bench/zvbench*; do [ -x "$$b" ] && "$$b" --benchmark_min_time=0.2; done; true
	@bash bench/peers.sh $(BUILD)

sanitize: deps
	cmake -S . -B $(SAN_BUILD) -G Ninja -DZV_SANITIZE=ON -DZV_GUI=OFF -DZV_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(SAN_BUILD)
	cd $(SAN_BUILD) && ctest --output-on-failure -j2

tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DZV_TSAN=ON -DZV_GUI=OFF -DZV_BENCH=OFF
	cmake --build $(TSAN_BUILD) $(addprefix --target ,$(TSAN_PROGRAMS))
	@for p in $(TSAN_PROGRAMS); do \
	  echo "tsan: $$p"; \
	  (cd $(CURDIR) && TSAN_OPTIONS=halt_on_error=1 $(TSAN_BUILD)/tests/$$p --gtest_filter='$(TSAN_FILTER)') || exit 1; \
	done

layers:
	@bash scripts/check-layers

fuzz: deps
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DZV_FUZZ=ON -DZV_GUI=OFF -DZV_TESTS=OFF -DZV_BENCH=OFF
	cmake --build $(FUZZ_BUILD)
	@bash scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
