// Starts the program `script` of this page's folder once lsd.bmp beside the page has been
// fetched: the program finds it in its working folder, as on the desktop. Without a picture
// the program starts all the same, and its error box says so, with what the server answered.
// The page sets up Module first.
function startProgram(script) {
  const folder = new URL('.', document.baseURI).href;
  fetch('lsd.bmp', { cache: 'no-cache' })
    .then(function (response) {
      Module.picture = { folder: folder,
                         answer: (response.status + ' ' + response.statusText).trim() };
      return response.ok ? response.arrayBuffer() : null;
    })
    .catch(function () { return null; })
    .then(function (picture) {
      Module.preRun = function () {
        if (picture) Module.FS_createDataFile('/', 'lsd.bmp', new Uint8Array(picture), true, false);
      };
      const program = document.createElement('script');
      program.src = script;
      document.body.appendChild(program);
    });
}
