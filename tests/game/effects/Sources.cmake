# The tests of this folder, added to the unit-test program.
target_sources(qm_tests PRIVATE
  tests/game/effects/UFireBallTest.cpp
  tests/game/effects/UFlowsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ParticleTestSupport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UParticleSystemTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UParticleEffectsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UFieldEffectTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UMetaballsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UIceTest.cpp
)
