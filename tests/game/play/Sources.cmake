# The tests of this folder, added to the unit-test program.
target_sources(qm_tests PRIVATE
  tests/game/play/UGameEnvironmentTest.cpp
  tests/game/play/PlayTestHost.cpp
  tests/game/play/UElementsTest.cpp
  tests/game/play/UFieldTest.cpp
  tests/game/play/UGameStateQueueTest.cpp
  tests/game/play/UDefaultLevelsTest.cpp
  tests/game/play/USpecialsTest.cpp
  tests/game/play/UCoreStatesTest.cpp
  tests/game/play/UFieldTransformationsTest.cpp
  tests/game/play/USecretMapStatesTest.cpp
  tests/game/play/BarTestHost.cpp
  tests/game/play/UBarsTest.cpp
  tests/game/play/UBrickTest.cpp
  tests/game/play/UAutoPlayerTest.cpp
  tests/game/play/UBonusStatesTest.cpp
)
