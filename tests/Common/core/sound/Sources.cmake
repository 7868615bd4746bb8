# The tests of this folder, added to the unit-test program.
target_sources(qm_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/SoundTestSupport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TestSounds.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UGBassEngineTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UGWaveFileTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UGModuleStreamTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UGWaveStreamTest.cpp
)
