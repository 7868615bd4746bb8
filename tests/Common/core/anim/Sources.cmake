# The tests of this folder, added to the unit-test program.
target_sources(qm_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/AnimTestSupport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UGAnimotionTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UGEffectTest.cpp
)
