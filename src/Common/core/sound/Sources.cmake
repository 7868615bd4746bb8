# The units of this folder, added to the engine library.
target_sources(qm_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/UGBassEngine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UGSilentBassEngine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UGMemoryAudioOutput.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UGWaveFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UGWaveStream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UGModuleFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UGModuleStream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UGPcmStream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UGMusicLoading.cpp
)
# Tracker modules are rendered with libxmp.
pkg_check_modules(XMP REQUIRED IMPORTED_TARGET libxmp)
target_link_libraries(qm_core PUBLIC PkgConfig::XMP)
