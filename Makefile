# make run: install what is missing, build, open the program.
# make test: install what is missing, build, run every test headless.
# make install / make uninstall (PREFIX, default /usr/local, and DESTDIR honoured);
# make package: build/trackpace_<version>_amd64.deb; make version: <version>.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local
PACKAGES := cmake g++ make qt6-base-dev libsqlite3-dev libgl-dev fonts-liberation fonts-liberation2 fonts-dejavu-core libcups2-dev libasound2-dev poppler-utils
PACKAGE_PACKAGES := $(PACKAGES) dpkg-dev file
BENCH_PACKAGES := $(PACKAGES) pkg-config libxcb1-dev xvfb x11-utils
FUZZ_PACKAGES := $(PACKAGES) clang libclang-rt-14-dev
# Qt's sources come through apt (dpkg-dev), SQLite's amalgamation is made with tcl.
WINDOWS_PACKAGES := $(PACKAGES) g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix ninja-build dpkg-dev tcl \
	perl nsis zip unzip imagemagick wine wine64 xvfb xdotool x11-utils xclip
WINDOWS_BUILD ?= build-windows
# The speed trap's firmware (avr-gcc, Debian's Arduino core), its simulated board
# (simavr) and the flasher.
FIRMWARE_PACKAGES := gcc-avr avr-libc arduino-core-avr simavr libsimavr-dev
FIRMWARE_BUILD ?= build-firmware
PORT ?=
# The version as CMakeLists.txt's project() states it, the one place it is written.
VERSION := $(shell sed -n 's/^project.Trackpace VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
FUZZ_SECONDS ?= 60

SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: all deps build run test test-sanitize fuzz bench install uninstall package windows test-windows firmware \
	test-firmware flash-trap clean version

all: build

deps:
	@missing=""; \
	for p in $(or $(WANT),$(PACKAGES)); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRACKPACE_BENCH=OFF
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/trackpace

# Every test, the speed trap's firmware on a simulated board among them.
test:
	$(MAKE) deps WANT="$(PACKAGES) $(FIRMWARE_PACKAGES)"
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRACKPACE_BENCH=OFF -DTRACKPACE_FIRMWARE=ON
	cmake --build $(BUILD) -j$(JOBS)
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# The whole test suite again, built with AddressSanitizer and UBSan.
test-sanitize: deps
	cmake -S . -B $(BUILD)-sanitize -DCMAKE_BUILD_TYPE=Debug -DTRACKPACE_SANITIZE=ON
	cmake --build $(BUILD)-sanitize -j$(JOBS)
	cd $(BUILD)-sanitize && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  ctest --output-on-failure -j$(JOBS)

# Each libFuzzer target for FUZZ_SECONDS (60 by default).
fuzz:
	$(MAKE) deps WANT="$(FUZZ_PACKAGES)"
	CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRACKPACE_FUZZ=ON
	cmake --build $(BUILD)-fuzz -j$(JOBS)
	bash fuzz/run.sh $(BUILD)-fuzz $(FUZZ_SECONDS)

# Start-up and memory against a bare Qt window, and in-process timings.
bench:
	$(MAKE) deps WANT="$(BENCH_PACKAGES)"
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRACKPACE_BENCH=ON
	cmake --build $(BUILD) -j$(JOBS)
	bash bench/run.sh $(BUILD)

# The first folder of DESTDIR/PREFIX that exists says whether sudo is needed.
install: build
	@dest="$(DESTDIR)$(PREFIX)"; probe="$$dest"; \
	while [ ! -e "$$probe" ]; do probe=$$(dirname "$$probe"); done; \
	run=""; [ -w "$$probe" ] || run="$(SUDO)"; \
	echo "Installing into $$dest"; \
	$$run env DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# Removes exactly what the last make install put in place.
uninstall:
	@test -f $(BUILD)/install_manifest.txt || { echo "Nothing was installed from $(BUILD)."; exit 1; }
	@run=""; [ -w "$$(head -n 1 $(BUILD)/install_manifest.txt)" ] || run="$(SUDO)"; \
	tr '\n' '\0' < $(BUILD)/install_manifest.txt | $$run xargs -0 rm -fv

package:
	$(MAKE) deps WANT="$(PACKAGE_PACKAGES)"
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRACKPACE_BENCH=OFF
	cmake --build $(BUILD) -j$(JOBS)
	cd $(BUILD) && cpack -G DEB

# The Windows build: Qt from Debian's sources (cached outside the clone), the program
# and its tests cross-built with MinGW-w64, build-windows/Trackpace-$(VERSION)-win64.zip
# and build-windows/Trackpace-$(VERSION)-setup.exe.
windows:
	$(MAKE) deps WANT="$(WINDOWS_PACKAGES)"
	bash packaging/windows/build.sh $(WINDOWS_BUILD) $(VERSION)

# Its portable test suites under Wine, then the zip and the installer as a user gets
# them (on the X server named by TRACKPACE_E2E_DISPLAY, or an Xvfb of its own).
test-windows: windows
	$(MAKE) deps WANT="$(PACKAGES) $(FIRMWARE_PACKAGES)"
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRACKPACE_FIRMWARE=ON
	cmake --build $(BUILD) -j$(JOBS)
	bash packaging/windows/wine-tests.sh $(WINDOWS_BUILD) "$$(cat $(WINDOWS_BUILD)/qt-prefix.txt)" $(BUILD)
	bash packaging/windows/wine-checks.sh $(WINDOWS_BUILD) $(BUILD)

# The speed trap: $(FIRMWARE_BUILD)/speedtrap.hex; its tests on a simulated ATmega328P;
# and make flash-trap PORT=/dev/ttyACM0 to write it to an Uno or a Nano with avrdude.
firmware:
	$(MAKE) deps WANT="$(FIRMWARE_PACKAGES)"
	bash hardware/speedtrap/build.sh $(FIRMWARE_BUILD)

test-firmware: firmware
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRACKPACE_FIRMWARE=ON
	cmake --build $(BUILD) -j$(JOBS) --target tst_firmware trap_serve tst_trap
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -R "tst_firmware|tst_trap"

flash-trap: firmware
	@test -n "$(PORT)" || { echo "Name the board's port: make flash-trap PORT=/dev/ttyACM0"; exit 1; }
	$(MAKE) deps WANT=avrdude
	avrdude -p atmega328p -c arduino -P $(PORT) -b $(or $(BAUD),115200) -D -U flash:w:$(FIRMWARE_BUILD)/speedtrap.hex:i

clean:
	rm -rf $(BUILD) $(WINDOWS_BUILD) $(FIRMWARE_BUILD)

version:
	@echo $(VERSION)
