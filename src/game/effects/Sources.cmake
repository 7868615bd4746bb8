# The units of this folder, added to the game library.
target_sources(qm_game PRIVATE
  src/game/effects/UFireBall.cpp
  src/game/effects/UFlows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UFieldEffect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UParticleSystem.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UParticleEffects.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UParticleScene.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UMetaballs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UIce.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UIceScene.cpp
)
