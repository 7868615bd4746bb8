#include "UGWidgetClasses.h"

#include "UGWidAnimotion.h"
#include "UGWidButton.h"
#include "UGWidCheckBox.h"
#include "UGWidDialog.h"
#include "UGWidEditBox.h"
#include "UGWidImage.h"
#include "UGWidLabel.h"
#include "UGWidScreen.h"
#include "UGWidScrollBar.h"

namespace qm {

void RegisterEngineWidgetClasses() {
    RegisterWidgetClass<TGWidget>("Widget");
    RegisterWidgetClass<TGWidImage>("Image");
    RegisterWidgetClass<TGWidScreen>("Screen");
    RegisterWidgetClass<TGWidDialog>("Dialog");
    RegisterWidgetClass<TGWidButton>("Button");
    RegisterWidgetClass<TGWidAnimotion>("Animotion");
    RegisterWidgetClass<TGWidLabel>("Label");
    RegisterWidgetClass<TGWidScrollBar>("ScrollBar");
    RegisterWidgetClass<TGWidScrollBarSlider>("ScrollBarSlider");
    RegisterWidgetClass<TGWidCheckBox>("CheckBox");
    RegisterWidgetClass<TGWidEditBox>("EditBox");
    RegisterWidgetClass<TGWidEditBoxContent>("EditBoxContent");
}

} // namespace qm
