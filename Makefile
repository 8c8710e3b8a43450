# make run   installs what is missing, builds and starts the configurator
# make test  installs what is missing, builds and runs every test
BUILD ?= build
JOBS ?= 2
# What the program and its tests need; the Windows build and the style check install their own
# tools when they are run, so `make run` and `make test` install no cross compiler or Wine.
PACKAGES = cmake make g++ pkg-config qt6-base-dev libpugixml-dev libcurl4-openssl-dev \
           nlohmann-json3-dev libgtest-dev libgmock-dev libxml2-utils ccache fonts-dejavu-core \
           xvfb xauth
WINDOWS_PACKAGES = g++-mingw-w64-x86-64-posix googletest wine64 wine libwine-dev \
                   qt6-base-dev-tools ninja-build patch xz-utils zip unzip xdotool imagemagick
FORMAT_PACKAGES = clang-format
SUDO = $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps configure build run test test-sanitize test-tsan fuzz windows windows-configure \
        windows-qt check-windows check-windows-core format check-format clean

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

# The tests of long operations on a worker thread (the worker, the progress and cancel of the
# operations it runs) built with ThreadSanitizer. Qt's own libraries are not instrumented: the
# suppressions file leaves out what is reported inside them alone.
TSAN_TESTS = ui_worker_test test_scl
test-tsan: deps
	cmake -S . -B $(BUILD)-tsan -DCMAKE_BUILD_TYPE=Debug -DRQ_TSAN=ON -DRQ_WERROR=$(WERROR)
	cmake --build $(BUILD)-tsan -j$(JOBS) --target $(TSAN_TESTS)
	cd $(BUILD)-tsan && TSAN_OPTIONS="halt_on_error=1 suppressions=$(abspath tools/tsan.supp)" \
	  ctest --output-on-failure -j$(JOBS) -R '^(ui_worker_test|scl)$$'

# Every fuzz target for FUZZ_SECONDS each (libFuzzer, clang), seeded from the tests' fixtures.
FUZZ_SECONDS ?= 60
fuzz: deps
	$(MAKE) deps PACKAGES="clang libclang-rt-14-dev"
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DRQ_FUZZ=ON -DRQ_BUILD_UI=OFF -DRQ_BUILD_TESTS=OFF -DRQ_WERROR=$(WERROR)
	cmake --build $(BUILD)-fuzz -j$(JOBS)
	fuzz/run-all $(BUILD)-fuzz $(FUZZ_SECONDS)

# The Windows package: RQ30517-<version>-win64.zip in $(WIN_BUILD), the configurator and the
# command-line tool cross-compiled with MinGW-w64 (cmake/mingw-w64.cmake) against Qt for Windows,
# which tools/windows/build-qt builds once from Debian's qt6-base source package into a cache
# folder (QT_WINDOWS_PREFIX, else ~/.cache/rq30517/qt-<version>-mingw64; about 3,000 CPU
# seconds the first time). GoogleTest comes from Debian's googletest sources, pugixml from its
# Debian source package (tools/windows/fetch-pugixml). tools/windows/package packs the programs
# with the DLLs their imports name.
WIN_BUILD = $(BUILD)-windows
VERSION = $(shell awk '/^project.RQ30517 VERSION / { print $$3 }' CMakeLists.txt)
WIN_ZIP = $(WIN_BUILD)/RQ30517-$(VERSION)-win64.zip

windows-configure:
	$(MAKE) deps
	$(MAKE) deps PACKAGES="$(WINDOWS_PACKAGES)"
	tools/windows/fetch-pugixml $(WIN_BUILD)
	tools/windows/build-qt >$(WIN_BUILD)/qt-prefix
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DRQ_WERROR=ON -DRQ_PUGIXML_SOURCE=$(abspath $(WIN_BUILD))/pugixml \
	  -DRQ_QT_WINDOWS=$$(cat $(WIN_BUILD)/qt-prefix)

windows: windows-configure
	cmake --build $(WIN_BUILD) -j$(JOBS) --target rq30517 rq30517-cli rq30517-language-files
	tools/windows/package $(WIN_BUILD) $$(cat $(WIN_BUILD)/qt-prefix)

# The Windows side built and run: everything of `make windows`, the core tests run under Wine,
# headless, whose last line reads "windows: N passed, M failed", and the package tried under
# Wine with real mouse clicks and key presses, its images against those of the Linux
# command-line tool (tools/windows/try-package). Any failure fails the target.
check-windows: windows
	$(MAKE) configure
	cmake --build $(BUILD) -j$(JOBS) --target rq30517-cli
	cmake --build $(WIN_BUILD) -j$(JOBS)
	tools/windows/run-tests $(WIN_BUILD)
	timeout 1200 tools/windows/try-package $(WIN_ZIP) $(WIN_BUILD) $(BUILD)

# Qt for Windows alone (tools/windows/build-qt: once, into its cache folder).
windows-qt:
	$(MAKE) deps PACKAGES="$(WINDOWS_PACKAGES)"
	tools/windows/build-qt >/dev/null

# The core tests under Wine without the windows, for a machine where Qt for Windows cannot be
# built (.ci/run falls back to it then, saying so).
check-windows-core:
	$(MAKE) deps
	$(MAKE) deps PACKAGES="$(WINDOWS_PACKAGES)"
	tools/windows/fetch-pugixml $(WIN_BUILD)
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DRQ_WERROR=ON -DRQ_PUGIXML_SOURCE=$(abspath $(WIN_BUILD))/pugixml \
	  -URQ_QT_WINDOWS
	cmake --build $(WIN_BUILD) -j$(JOBS)
	tools/windows/run-tests $(WIN_BUILD)

# The style file (.clang-format) over every C++ source and header of the project.
FORMAT_FILES = $(shell find src tests bench fuzz tools -type f \( -name '*.cpp' -o -name '*.h' \) \
                 -not -path '*/fixtures/*' | sort)

format:
	$(MAKE) deps PACKAGES="$(FORMAT_PACKAGES)"
	clang-format -i $(FORMAT_FILES)

# Fails, naming each file and line, where a file differs from what `make format` would write.
check-format:
	$(MAKE) deps PACKAGES="$(FORMAT_PACKAGES)"
	clang-format --dry-run -Werror $(FORMAT_FILES)

clean:
	rm -rf $(BUILD) $(BUILD)-sanitize $(BUILD)-tsan $(BUILD)-fuzz $(BUILD)-windows
