# Entry points; see README.md. Each target installs what is missing first.
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 120
JOBS ?= $(shell nproc)
SAMPLES = $(BUILD)/samples

.PHONY: run test test-sanitize fuzz bench ci corpus format clean deps deps-test

deps:
	@scripts/install-deps.sh build

deps-test:
	@scripts/install-deps.sh test

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Until the viewer exists this shows what the tool makes of the sample pictures.
run: build
	$(BUILD)/cli/glimmer-pcx info $(SAMPLES)/*.PCX

test: deps-test build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	scripts/compare-corpus.sh $(BUILD)/cli/glimmer-pcx

test-sanitize: deps-test
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGLIMMER_SANITIZE=ON \
	      -DGLIMMER_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --output-on-failure -j $(JOBS)

fuzz: deps-test
	CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DGLIMMER_FUZZ=ON -DGLIMMER_BENCH=OFF -DBUILD_TESTING=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target pcx_fuzz
	scripts/fuzz.sh $(FUZZ_BUILD)/fuzz/pcx_fuzz $(FUZZ_SECONDS)

bench: build
	$(BUILD)/bench/pcx_bench --benchmark_min_time=0.5

ci: test test-sanitize fuzz

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
