"""Scripting interface of the film-tracking application."""
