# The units of this folder, added to the game library.
target_sources(qm_game PRIVATE
  src/game/flow/ULevels.cpp
  src/game/flow/ULevelCheck.cpp
  src/game/flow/UGameManager.cpp
  src/game/flow/UCampaignSecretMaps.cpp
  src/game/flow/UPlayStandIns.cpp
  src/game/flow/UStandInScreens.cpp
  src/game/flow/UCampaignAutoPlay.cpp
  src/game/flow/UGameScreen.cpp
  src/game/flow/UGameScreenScene.cpp
)
