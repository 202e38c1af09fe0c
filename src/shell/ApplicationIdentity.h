#pragma once

// Names the application: "Tavrel" of "Orvento", with its version. It sets no display name on
// purpose: Qt appends a display name to every window caption (" — Tavrel"), and the desk's
// captions are exactly its own ("Tavrel 1.21", "登录", …). Message boxes without a caption of
// their own take the application name.
void SetApplicationIdentity();
