# The units of this folder, added to the game library.
target_sources(qm_game PRIVATE
  src/game/effects/UFireBall.cpp
  src/game/effects/UFlows.cpp
)
