# make run   installs what is missing, builds and starts the configurator
# make test  installs what is missing, builds and runs every test
BUILD ?= build
JOBS ?= 2
PACKAGES = cmake make g++ pkg-config qt6-base-dev libpugixml-dev libcurl4-openssl-dev \
           nlohmann-json3-dev libgtest-dev libgmock-dev libxml2-utils ccache fonts-dejavu-core \
           xvfb xauth
SUDO = $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps configure build run test test-sanitize fuzz clean

deps:
	@missing=$$(for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q "ok installed" || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/bin/rq30517

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B $(BUILD)-sanitize -DCMAKE_BUILD_TYPE=Debug -DRQ_SANITIZE=ON
	cmake --build $(BUILD)-sanitize -j$(JOBS)
	cd $(BUILD)-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j$(JOBS)

# Every fuzz target for FUZZ_SECONDS each (libFuzzer, clang), seeded from the tests' fixtures.
FUZZ_SECONDS ?= 60
fuzz: deps
	$(MAKE) deps PACKAGES="clang libclang-rt-14-dev"
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DRQ_FUZZ=ON -DRQ_BUILD_UI=OFF -DRQ_BUILD_TESTS=OFF
	cmake --build $(BUILD)-fuzz -j$(JOBS)
	fuzz/run-all $(BUILD)-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(BUILD)-sanitize $(BUILD)-fuzz
