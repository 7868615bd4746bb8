# The units of this folder, added to the game library.
target_sources(qm_game PRIVATE
  src/game/play/UGameEnvironment.cpp
  src/game/play/UPlayHost.cpp
  src/game/play/UElements.cpp
  src/game/play/UField.cpp
  src/game/play/UBoardTestScene.cpp
  src/game/play/UGameStateQueue.cpp
  src/game/play/USpecials.cpp
  src/game/play/UFrozenRowState.cpp
  src/game/play/UCoreStates.cpp
  src/game/play/UFieldTransformations.cpp
  src/game/play/USecretMapStates.cpp
  src/game/play/USublevelScene.cpp
  src/game/play/USpecialsScene.cpp
  src/game/play/UAutoPlayer.cpp
  src/game/play/UBars.cpp
  src/game/play/UGameDataBarHost.cpp
  src/game/play/UBrick.cpp
  src/game/play/UBonusStates.cpp
)
