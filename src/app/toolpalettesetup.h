#pragma once

namespace pennova {

class DocumentController;

// Start-up of the tool palette: loads the user's tools into the panel, links the panel to the
// documents (a press on any canvas ends editing in the panel; pointer movement over the panel and
// its close key go to the current document) and shows it.
void setUpToolPalette(DocumentController &controller);

} // namespace pennova
