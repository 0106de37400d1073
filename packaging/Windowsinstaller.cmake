# Windows installer: later
