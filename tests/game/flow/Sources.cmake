# The tests of this folder, added to the unit-test program.
target_sources(qm_tests PRIVATE
  tests/game/flow/ULevelsTest.cpp
  tests/game/flow/ULevelCheckTest.cpp
  tests/game/flow/UGameManagerTest.cpp
  tests/game/flow/UGameScreenTest.cpp
)
