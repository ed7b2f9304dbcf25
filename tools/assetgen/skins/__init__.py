"""One module per tile skin; each returns its seven kinds as scenes to rasterise."""
