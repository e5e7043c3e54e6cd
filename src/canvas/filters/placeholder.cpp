// Replaced by the filter sources.
