# The units of this folder, added to the game library.
target_sources(qm_game PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/UParticleSystem.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UParticleEffects.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UParticleScene.cpp
)
