# Set-up, build, run and test of Gudang on Debian 12.
#   make run    install what is missing, build, start the program
#   make test   install what is missing, build, run the test suite
#   make install   install into PREFIX (default /usr/local), below DESTDIR when it is set
#   make package   build the Debian package build/gudang_VERSION_ARCH.deb

BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
RUN_ARGS ?=
PREFIX ?= /usr/local
DESTDIR ?=

PACKAGES := cmake make g++ pkg-config \
	qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libvulkan-dev \
	libsqlite3-dev libsodium-dev libpq-dev postgresql libxlsxwriter-dev python3-openpyxl clang libclang-rt-14-dev fonts-dejavu-core fonts-comic-neue fonts-liberation2 poppler-utils \
	libzint-dev zbar-tools libzip-dev sqlite3 \
	dpkg-dev file desktop-file-utils appstream lintian

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps configure build run test bench format clean install package

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
		dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		$(SUDO) apt-get update -qq && \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/src/gudang $(RUN_ARGS)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

package: build
	cd $(BUILD_DIR) && cpack -G DEB

bench: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target gudang_bench
	QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/bench/gudang_bench --doc docs/PERFORMANCE.md

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
