#include "app/toolpalettesetup.h"

#include "app/documentcontroller.h"
#include "app/mydocument.h"
#include "canvas/view/drawview.h"
#include "palette/pntoolbox.h"
#include "palette/toolpanel.h"

namespace pennova {

void setUpToolPalette(DocumentController &controller)
{
    PNToolBox *toolbox = PNToolBox::shared();
    toolbox->setCurrentCanvas([&controller]() -> DrawView * {
        MyDocument *document = controller.currentDocument();
        return document ? document->drawView() : nullptr;
    });
    const auto link = [toolbox](MyDocument *document) {
        if (document)
            toolbox->watchCanvas(document->drawView());
    };
    for (MyDocument *document : controller.documents())
        link(document);
    QObject::connect(&controller, &DocumentController::documentAdded, toolbox, link);
    toolbox->panel()->orderFront(ToolPanel::Sender::Other);
}

} // namespace pennova
