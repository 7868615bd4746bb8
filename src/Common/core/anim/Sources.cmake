# The units of this folder, added to the engine library.
target_sources(qm_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/UGAnimation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UGAnimotion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UGEffect.cpp
)
