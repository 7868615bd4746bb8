#include "UGWidgetClasses.h"

#include "UGWidDialog.h"
#include "UGWidImage.h"
#include "UGWidScreen.h"

namespace qm {

void RegisterEngineWidgetClasses() {
    RegisterWidgetClass<TGWidget>("Widget");
    RegisterWidgetClass<TGWidImage>("Image");
    RegisterWidgetClass<TGWidScreen>("Screen");
    RegisterWidgetClass<TGWidDialog>("Dialog");
}

} // namespace qm
