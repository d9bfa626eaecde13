# Makes the machine-readable copyright file, ${TRACKPACE_COPYRIGHT}, for the package and the
# Windows downloads alike: copyright.in with the carried fonts' copyright lines and licence
# text read from their own copyright file.
file(READ ${TRACKPACE_FONT_LICENSE} font_notice)
string(REGEX MATCH "Copyright:\n( [^\n]*\n)+" FONT_COPYRIGHT "${font_notice}")
string(REGEX MATCH "License: SIL-OFL-1.1\n( [^\n]*\n)+" FONT_LICENSE "${font_notice}")
if(NOT FONT_COPYRIGHT OR NOT FONT_LICENSE)
    message(FATAL_ERROR "${TRACKPACE_FONT_LICENSE} does not name the fonts' copyright and licence as expected")
endif()
set(TRACKPACE_COPYRIGHT ${CMAKE_BINARY_DIR}/packaging-copyright/copyright)
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${TRACKPACE_COPYRIGHT} @ONLY)
