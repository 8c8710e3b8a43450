# make run   installs what is missing, builds and starts the configurator
# make test  installs what is missing, builds and runs every test
BUILD ?= build
JOBS ?= 2
PACKAGES = cmake make g++ pkg-config qt6-base-dev libpugixml-dev libcurl4-openssl-dev \
           nlohmann-json3-dev libgtest-dev libgmock-dev libxml2-utils ccache fonts-dejavu-core \
           xvfb xauth
SUDO = $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps configure build run test clean

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

clean:
	rm -rf $(BUILD)
