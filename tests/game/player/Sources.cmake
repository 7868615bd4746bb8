# The tests of this folder, added to the unit-test program.
target_sources(qm_tests PRIVATE
  tests/game/player/PlayerTestSupport.cpp
  tests/game/player/UPlayerTest.cpp
  tests/game/player/USaveCodecTest.cpp
  tests/game/player/USaveFileTest.cpp
)
