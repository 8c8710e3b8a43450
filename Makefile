# make run   installs what is missing, builds and starts the configurator
# make test  installs what is missing, builds and runs every test
BUILD ?= build
JOBS ?= 2
PACKAGES = cmake make g++ pkg-config qt6-base-dev libpugixml-dev libcurl4-openssl-dev \
           nlohmann-json3-dev libgtest-dev libgmock-dev libxml2-utils ccache fonts-dejavu-core \
           xvfb xauth g++-mingw-w64-x86-64-posix clang-format
SUDO = $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps configure build run test test-sanitize fuzz check-windows windows-objects format \
        check-format clean

deps:
	@missing=$$(for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q "ok installed" || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

# WERROR=ON turns every warning in the project's own code into an error (CI builds with it).
WERROR ?= OFF

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRQ_WERROR=$(WERROR)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/bin/rq30517

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B $(BUILD)-sanitize -DCMAKE_BUILD_TYPE=Debug -DRQ_SANITIZE=ON -DRQ_WERROR=$(WERROR)
	cmake --build $(BUILD)-sanitize -j$(JOBS)
	cd $(BUILD)-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j$(JOBS)

# Every fuzz target for FUZZ_SECONDS each (libFuzzer, clang), seeded from the tests' fixtures.
FUZZ_SECONDS ?= 60
fuzz: deps
	$(MAKE) deps PACKAGES="clang libclang-rt-14-dev"
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DRQ_FUZZ=ON -DRQ_BUILD_UI=OFF -DRQ_BUILD_TESTS=OFF -DRQ_WERROR=$(WERROR)
	cmake --build $(BUILD)-fuzz -j$(JOBS)
	fuzz/run-all $(BUILD)-fuzz $(FUZZ_SECONDS)

# The Windows side compiled: every core source (the platform layer's Windows branches included)
# with the MinGW-w64 cross compiler, to objects in $(BUILD)-windows. Nothing is linked: pugixml
# and libcurl have no Windows build here, but their Debian headers are plain C/C++ that also
# describe the Windows build, so the sources compile fully against them. Those headers come from
# a folder of links to them alone, searched as system headers: the whole of /usr/include would
# put glibc's C headers in place of MinGW's.
WIN_CXX = x86_64-w64-mingw32-g++-posix
WIN_BUILD = $(BUILD)-windows
WIN_SOURCES = $(filter-out %_window.cpp %_dialog.cpp %_qt.cpp src/app/main.cpp, \
                $(sort $(wildcard src/*/*.cpp)))
WIN_OBJECTS = $(patsubst src/%.cpp,$(WIN_BUILD)/%.o,$(WIN_SOURCES))
WIN_LIBRARY_HEADERS = /usr/include/pugixml.hpp /usr/include/pugiconfig.hpp \
                      /usr/include/nlohmann /usr/include/$(shell gcc -dumpmachine)/curl
WIN_FLAGS = -std=c++20 -Wall -Wextra -Werror -Isrc -isystem $(WIN_BUILD)/include -MMD -MP

check-windows:
	$(MAKE) deps
	@mkdir -p $(WIN_BUILD)/include
	ln -sfn $(WIN_LIBRARY_HEADERS) $(WIN_BUILD)/include/
	$(MAKE) -j$(JOBS) windows-objects

windows-objects: $(WIN_OBJECTS)
	@echo "Windows: $(words $(WIN_OBJECTS)) sources compiled."

$(WIN_BUILD)/%.o: src/%.cpp
	@mkdir -p $(dir $@)
	$(shell command -v ccache) $(WIN_CXX) $(WIN_FLAGS) -c $< -o $@

-include $(WIN_OBJECTS:.o=.d)

# The style file (.clang-format) over every C++ source and header of the project.
FORMAT_FILES = $(shell find src tests bench fuzz tools -type f \( -name '*.cpp' -o -name '*.h' \) \
                 -not -path '*/fixtures/*' | sort)

format:
	$(MAKE) deps
	clang-format -i $(FORMAT_FILES)

# Fails, naming each file and line, where a file differs from what `make format` would write.
check-format:
	$(MAKE) deps
	clang-format --dry-run -Werror $(FORMAT_FILES)

clean:
	rm -rf $(BUILD) $(BUILD)-sanitize $(BUILD)-fuzz $(BUILD)-windows
