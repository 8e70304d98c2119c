# The two everyday commands: `make run` and `make test`.
BUILD ?= build
SAN_BUILD ?= build-san
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 8
CMAKE_FLAGS ?=
SAMPLE ?= $(BUILD)/sample-pictures

.PHONY: all deps configure build run test bench format clean sanitize fuzz

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

sanitize: deps
	cmake -S . -B $(SAN_BUILD) -G Ninja -DZV_SANITIZE=ON -DZV_GUI=OFF -DZV_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
	cmake --build $(SAN_BUILD)
	cd $(SAN_BUILD) && ctest --output-on-failure -j2

fuzz: deps
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DZV_FUZZ=ON -DZV_GUI=OFF -DZV_TESTS=OFF -DZV_BENCH=OFF
	cmake --build $(FUZZ_BUILD)
	@bash scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
