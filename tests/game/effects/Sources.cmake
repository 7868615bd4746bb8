# The tests of this folder, added to the unit-test program.
target_sources(qm_tests PRIVATE
  tests/game/effects/UFireBallTest.cpp
  tests/game/effects/UFlowsTest.cpp
)
