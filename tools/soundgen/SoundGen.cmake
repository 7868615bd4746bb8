# The sound generator: synthesis, the module writer and the note-data reader in a library that
# the tests link, and the program that writes the default sounds and music into the data folder.
pkg_check_modules(XMP REQUIRED IMPORTED_TARGET libxmp)

add_library(qm_soundgen STATIC
  tools/soundgen/XmWriter.cpp
  tools/soundgen/XmRender.cpp
)
target_include_directories(qm_soundgen PUBLIC tools/soundgen)
target_link_libraries(qm_soundgen PUBLIC PkgConfig::XMP)

add_executable(qm_soundgen_tests
  tests/tools/soundgen/XmWriterTest.cpp
)
target_link_libraries(qm_soundgen_tests PRIVATE qm_soundgen GTest::gtest_main)
gtest_discover_tests(qm_soundgen_tests PROPERTIES LABELS unit DISCOVERY_TIMEOUT 60)
