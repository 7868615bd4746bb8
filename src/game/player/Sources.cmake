# The units of this folder, added to the game library.
target_sources(qm_game PRIVATE
  src/game/player/UGamePlayers.cpp
  src/game/player/UPlayer.cpp
  src/game/player/USafeFormat.cpp
  src/game/player/USaveCodec.cpp
  src/game/player/USaveFile.cpp
)
