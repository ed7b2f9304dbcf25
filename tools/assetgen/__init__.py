"""Draws and synthesises every picture and sound Sevenfold ships with."""
