# The sound generator: synthesis, the module writer, the note-data reader and the instruments in
# a library that the tests link, and the program that writes the default sounds and music into
# the data folder (run by the data target).
pkg_check_modules(XMP REQUIRED IMPORTED_TARGET libxmp)

add_library(qm_soundgen STATIC
  tools/soundgen/XmWriter.cpp
  tools/soundgen/XmRender.cpp
  tools/soundgen/Synth.cpp
  tools/soundgen/Song.cpp
  tools/soundgen/Instruments.cpp
  tools/soundgen/Effects.cpp
)
target_include_directories(qm_soundgen PUBLIC tools/soundgen)
target_link_libraries(qm_soundgen PUBLIC PkgConfig::XMP)

add_executable(quillmark-soundgen tools/soundgen/main.cpp)
target_link_libraries(quillmark-soundgen PRIVATE qm_soundgen)

add_executable(qm_soundgen_tests
  tests/tools/soundgen/XmWriterTest.cpp
  tests/tools/soundgen/SongTest.cpp
)
target_link_libraries(qm_soundgen_tests PRIVATE qm_soundgen GTest::gtest_main)
gtest_discover_tests(qm_soundgen_tests PROPERTIES LABELS unit DISCOVERY_TIMEOUT 60)

# The end-to-end tests run the generator and play what the build made.
target_sources(qm_e2e_tests PRIVATE tests/e2e/SoundGeneratorTest.cpp)
target_link_libraries(qm_e2e_tests PRIVATE qm_soundgen)
target_compile_definitions(qm_e2e_tests PRIVATE QM_SOUNDGEN_BINARY="$<TARGET_FILE:quillmark-soundgen>")
add_dependencies(qm_e2e_tests quillmark-soundgen)
