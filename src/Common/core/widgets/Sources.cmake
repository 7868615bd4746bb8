# The units of this folder, added to the engine library.
target_sources(qm_core PRIVATE
  src/Common/core/widgets/UGVisual.cpp
  src/Common/core/widgets/UGWidgetStyle.cpp
  src/Common/core/widgets/UGWidget.cpp
  src/Common/core/widgets/UGWidgetManager.cpp
  src/Common/core/widgets/UGWidgetClasses.cpp
  src/Common/core/widgets/UGWidgetSnapshot.cpp
  src/Common/core/widgets/UGWidImage.cpp
  src/Common/core/widgets/UGWidScreen.cpp
  src/Common/core/widgets/UGWidDialog.cpp
  src/Common/core/widgets/UGSoftWidDialog.cpp
  src/Common/core/widgets/UGDialogEffects.cpp
  src/Common/core/widgets/UGCursor.cpp
)

# The standard widgets and the text logic under them.
target_sources(qm_core PRIVATE
  src/Common/core/widgets/UGEditText.cpp
  src/Common/core/widgets/UGSliderTrack.cpp
  src/Common/core/widgets/UGWidButton.cpp
  src/Common/core/widgets/UGWidAnimotion.cpp
  src/Common/core/widgets/UGWidLabel.cpp
  src/Common/core/widgets/UGWidScrollBar.cpp
  src/Common/core/widgets/UGWidCheckBox.cpp
  src/Common/core/widgets/UGWidEditBox.cpp
)
