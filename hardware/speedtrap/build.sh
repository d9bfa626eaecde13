#!/usr/bin/env bash
# Builds the speed trap's firmware for an ATmega328P board (Uno, Nano) with avr-gcc and
# Debian's Arduino core (arduino-core-avr), as the Arduino IDE would:
#   build.sh OUTPUT_FOLDER        makes OUTPUT_FOLDER/speedtrap.elf and speedtrap.hex
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$(mkdir -p "$1" && cd "$1" && pwd)
arduino=${ARDUINO_AVR:-/usr/share/arduino/hardware/arduino/avr}
core=$arduino/cores/arduino
[ -f "$core/Arduino.h" ] || { echo "no Arduino core in $core: install arduino-core-avr (make firmware does)" >&2; exit 1; }
mcu=(-mmcu=atmega328p -DF_CPU=16000000L -DARDUINO=10807 -DARDUINO_AVR_UNO -DARDUINO_ARCH_AVR)
includes=(-I"$core" -I"$arduino/variants/standard")
common=(-Os -g -ffunction-sections -fdata-sections -flto -Wall -Wextra)
mkdir -p "$out/core"
objects=()
# The parts of the core the sketch uses: timing, pins, interrupts, serial, printing.
for name in wiring.c wiring_digital.c WInterrupts.c hooks.c main.cpp HardwareSerial.cpp HardwareSerial0.cpp \
        Print.cpp abi.cpp new.cpp; do
    source=$core/$name
    object="$out/core/$(basename "$source").o"
    case "$source" in
        *.c) avr-gcc -c "${common[@]}" -std=gnu11 "${mcu[@]}" "${includes[@]}" -w "$source" -o "$object" ;;
        *.cpp) avr-g++ -c "${common[@]}" -std=gnu++11 -fno-exceptions -fno-threadsafe-statics -fpermissive \
            "${mcu[@]}" "${includes[@]}" -w "$source" -o "$object" ;;
        *.S) avr-gcc -c -g -x assembler-with-cpp -flto "${mcu[@]}" "${includes[@]}" "$source" -o "$object" ;;
    esac
    objects+=("$object")
done
avr-gcc-ar rcs "$out/core.a" "${objects[@]}"
# The sketch, as C++ (it includes Arduino.h itself): warnings are errors here.
avr-g++ -c "${common[@]}" -std=gnu++11 -fno-exceptions -fno-threadsafe-statics -Werror "${mcu[@]}" "${includes[@]}" \
    -x c++ "$here/speedtrap.ino" -o "$out/speedtrap.o"
avr-gcc "${common[@]}" -fuse-linker-plugin -Wl,--gc-sections "${mcu[@]}" -o "$out/speedtrap.elf" \
    "$out/speedtrap.o" "$out/core.a" -lm
avr-objcopy -O ihex -R .eeprom "$out/speedtrap.elf" "$out/speedtrap.hex"
avr-size --mcu=atmega328p -C "$out/speedtrap.elf" | grep -E "Program|Data"
echo "$out/speedtrap.hex"
